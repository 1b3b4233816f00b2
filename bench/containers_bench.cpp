// The container readers: the no$gba decoder next to memcpy of as many bytes, and an import of
// each container next to an import of a raw .sav of the same save size, end to end (read the
// file, find the save, write the slot the safe way).
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "bench_ports.h"
#include "commands/import_save.h"
#include "formats/save_containers.h"
#include "slots/command_context.h"
#include "tests/support/foreign_files.h"

namespace {

namespace fs = std::filesystem;
using namespace slotkit;
using ImportPrompter = slotkit::bench::BenchPrompter;
using files::Bytes;

constexpr std::size_t kDecodedSize = slotkit::formats::kNocashCapacity;  // 1 MiB

// Save data as a game writes it: varied bytes, no runs.
Bytes Varied(std::size_t size, std::uint32_t seed) {
    std::mt19937 random(seed);
    Bytes out(size);
    for (auto& b : out) {
        b = static_cast<std::uint8_t>(random());
    }
    return out;
}

// Runs of 1 to 300 bytes of 0x00 or 0xFF, as the empty areas of a save.
Bytes RunHeavySave() {
    std::mt19937 random(4);
    Bytes out;
    while (out.size() < kDecodedSize) {
        const std::size_t length =
            std::min<std::size_t>(kDecodedSize - out.size(), 1 + random() % 300);
        out.insert(out.end(), length, random() % 2 ? 0xFF : 0x00);
    }
    return out;
}

void DecodeNocashBench(benchmark::State& state, const Bytes& save) {
    const Bytes coded = files::NocashCode(save);
    for (auto _ : state) {
        std::string error;
        auto decoded = slotkit::formats::DecodeNocash(coded, save.size(), error);
        benchmark::DoNotOptimize(decoded->data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * save.size()));
}

void BM_NocashDecodeLiteralHeavy(benchmark::State& state) {
    DecodeNocashBench(state, Varied(kDecodedSize, 3));
}
void BM_NocashDecodeRunHeavy(benchmark::State& state) {
    DecodeNocashBench(state, RunHeavySave());
}

// The yardstick: copying as many bytes into a new buffer.
void BM_NocashMemcpy(benchmark::State& state) {
    const Bytes source(kDecodedSize, 0x5A);
    for (auto _ : state) {
        auto buffer = std::make_unique_for_overwrite<std::uint8_t[]>(kDecodedSize);
        std::memcpy(buffer.get(), source.data(), kDecodedSize);
        benchmark::DoNotOptimize(buffer.get());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kDecodedSize));
}

BENCHMARK(BM_NocashMemcpy);
BENCHMARK(BM_NocashDecodeLiteralHeavy);
BENCHMARK(BM_NocashDecodeRunHeavy);

// ----- Imports, end to end

class OneSelectedView : public slotkit::ports::SlotView {
  public:
    int NextSelected(int row) const override { return row == -1 ? 0 : -1; }
    std::string FileName(int) const override { return "GAME.DAT"; }
    void Show(const std::vector<slotkit::ports::SlotRow>&) override {}
    void ShowRow(int, const slotkit::ports::SlotRow&) override {}
};

void WriteBytes(const fs::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

// Imports `file`, named `name`, into a slot of `mode`, beside the build on the same disk.
void Import(benchmark::State& state, slotkit::slots::EditMode mode, const char* name,
            const Bytes& file) {
    const fs::path dir = fs::current_path() / "slotkit-bench-import";
    const char* folder = mode == slotkit::slots::EditMode::Nds ? "NDSSAVE" : "GAMESAVE";
    fs::create_directories(dir / folder);
    WriteBytes(dir / folder / "GAME.DAT", Bytes(LayoutFor(mode).newFormSize, 0xFF));
    WriteBytes(dir / name, file);
    ::sync();
    ImportPrompter prompter;
    prompter.openPath = (dir / name).string();
    OneSelectedView view;
    const slotkit::slots::CommandContext context{dir.string() + "/", mode, prompter, view};
    // Each import allocates and frees buffers of about the save's size, right at the C library's
    // thresholds for returning memory to the system; whether a given size crosses them is not
    // the import's own cost, so it is kept from deciding the comparison.
    ::mallopt(M_MMAP_THRESHOLD, 64 << 20);
    ::mallopt(M_TRIM_THRESHOLD, 256 << 20);
    for (auto _ : state) {
        slotkit::commands::ImportSave(context);
    }
    if (prompter.failed) {
        state.SkipWithError("the import failed");
    }
    fs::remove_all(dir);
}

const Bytes& NdsSave() {
    static const Bytes save = Varied(262144, 5);
    return save;
}
const Bytes& GbaSave() {
    static const Bytes save = Varied(131072, 6);
    return save;
}

BENCHMARK_CAPTURE(Import, NdsRawSav, slotkit::slots::EditMode::Nds, "raw.sav", NdsSave())
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(Import, NdsDesmumeDsv, slotkit::slots::EditMode::Nds, "game.dsv",
                  files::Desmume(NdsSave()))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(Import, NdsActionReplay500, slotkit::slots::EditMode::Nds, "game.dss",
                  files::ArdsFile(NdsSave(), "GAME"))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(Import, NdsActionReplay164, slotkit::slots::EditMode::Nds, "game.duc",
                  files::Ar164File(NdsSave(), "GAME"))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(Import, NdsNocashStored, slotkit::slots::EditMode::Nds, "nocash.sav",
                  files::NocashStored(NdsSave()))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(Import, NdsNocashCompressed, slotkit::slots::EditMode::Nds, "packed.sav",
                  files::NocashCompressed(NdsSave()))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(Import, GbaRawSav, slotkit::slots::EditMode::Gba, "raw.sav", GbaSave())
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(Import, GbaSharkPort, slotkit::slots::EditMode::Gba, "game.sps",
                  files::SharkPort(GbaSave(), "GAME", "ABCE"))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(Import, GbaGameSharkSp, slotkit::slots::EditMode::Gba, "game.gsv",
                  files::GameSharkSp(GbaSave(), 6, "GAME"))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(Import, GbaClockData, slotkit::slots::EditMode::Gba, "clock.sav",
                  files::Joined(GbaSave(), Bytes(16, 0)))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
