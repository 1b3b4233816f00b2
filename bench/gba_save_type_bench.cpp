// The GBA save-type scan: a 32 MiB ROM read with read() into a 1 MiB buffer, with and without
// the scan fed from that buffer, and the scan alone over the ROM in memory. The scan must keep
// at least half the speed of the plain read.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include "games/gba_save_type.h"

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kRomSize = 32 << 20;
constexpr std::size_t kChunk = 1 << 20;

// Code and data of varied bytes, a quarter of it text, with the save library's ID near the end.
const std::vector<std::uint8_t>& Rom() {
    static const std::vector<std::uint8_t> rom = [] {
        std::mt19937 random(32);
        std::vector<std::uint8_t> bytes(kRomSize);
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = static_cast<std::uint8_t>(i % 4096 < 1024 ? 'A' + random() % 32 : random());
        }
        const std::string_view id = "FLASH1M_V103";
        std::copy(id.begin(), id.end(), bytes.end() - 4096);
        return bytes;
    }();
    return rom;
}

const fs::path& RomFile() {
    static const fs::path path = [] {
        const fs::path file = fs::temp_directory_path() / "slotkit-bench-rom.gba";
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(Rom().data()),
                  static_cast<std::streamsize>(Rom().size()));
        return file;
    }();
    return path;
}

template <bool kScan>
void ReadRom(benchmark::State& state) {
    std::vector<std::uint8_t> buffer(kChunk);
    for (auto _ : state) {
        const int fd = ::open(RomFile().c_str(), O_RDONLY);
        if (fd < 0) {
            state.SkipWithError("cannot open the ROM");
            return;
        }
        slotkit::games::GbaSaveTypeScanner scanner;
        for (;;) {
            const ssize_t got = ::read(fd, buffer.data(), buffer.size());
            if (got <= 0) {
                break;
            }
            if constexpr (kScan) {
                scanner.Feed(
                    slotkit::games::ByteSpan(buffer.data(), static_cast<std::size_t>(got)));
            } else {
                benchmark::DoNotOptimize(buffer.data());
            }
        }
        ::close(fd);
        benchmark::DoNotOptimize(scanner.Finish());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kRomSize));
}

void BM_GbaRomRead(benchmark::State& state) {
    ReadRom<false>(state);
}
void BM_GbaRomReadAndScan(benchmark::State& state) {
    ReadRom<true>(state);
}

void BM_GbaSaveTypeScanInMemory(benchmark::State& state) {
    const auto& rom = Rom();
    for (auto _ : state) {
        benchmark::DoNotOptimize(slotkit::games::ScanGbaSaveType(rom));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kRomSize));
}

BENCHMARK(BM_GbaRomRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GbaRomReadAndScan)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GbaSaveTypeScanInMemory)->Unit(benchmark::kMillisecond);

}  // namespace
