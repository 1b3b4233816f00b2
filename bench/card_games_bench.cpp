// `slotkit games` on a card of 300 ROMs (150 DS, 150 GBA, sparse files of 8 to 512 MiB with long
// names), in each mode, with the lines it prints, next to the least work any such listing must
// do: walk the card's folders and, in plain C calls, open each ROM of the mode, read its header
// (and a DS ROM's banner up to its last title) and close it. The two run in
// turns in one benchmark, so that the disk cache and the machine's load are the same for both;
// the ratio is reported as a counter and must stay within 1.2.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/games_output.h"
#include "games/card_games.h"
#include "games/ds_save_memory.h"
#include "tests/support/rom_images.h"

namespace {

namespace fs = std::filesystem;
using namespace slotkit::test::roms;

constexpr int kRomsPerKind = 150;

void WriteSparse(const std::string& path, std::uint64_t size, const Bytes& start) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::ftruncate(fd, static_cast<off_t>(size)) != 0 ||
        ::pwrite(fd, start.data(), start.size(), 0) != static_cast<ssize_t>(start.size())) {
        std::abort();
    }
    ::close(fd);
}

// `count` game codes the list of DS games knows ("A" + two letters or digits + "E", in order), so
// that each DS ROM's save memory is found and printed as on a card of real games.
std::vector<std::string> KnownDsCodes(std::size_t count) {
    static constexpr char kChars[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::vector<std::string> codes;
    for (const char second : std::string_view(kChars)) {
        for (const char third : std::string_view(kChars)) {
            const std::string code{'A', second, third, 'E'};
            if (codes.size() < count && slotkit::games::DsSaveMemoryOf(code)) {
                codes.push_back(code);
            }
        }
    }
    if (codes.size() < count) {
        std::abort();
    }
    return codes;
}

// The card root: DS/ and GBA/ with the ROMs, and the two save folders, made once for the run.
const std::string& RomCard() {
    static const std::string root = [] {
        std::string dir = (fs::temp_directory_path() / "slotkit-bench-XXXXXX").string();
        if (::mkdtemp(dir.data()) == nullptr) {
            std::abort();
        }
        for (const char* folder : {"DS", "GBA", "NDSSAVE", "GAMESAVE"}) {
            fs::create_directory(dir + "/" + folder);
        }
        const Bytes banner = DsBannerBytes(1, u"A game of the bench\nMaker");
        const std::vector<std::string> dsCodes = KnownDsCodes(kRomsPerKind);
        for (int i = 0; i < kRomsPerKind; ++i) {
            const std::uint64_t size = (8ull << 20) << (i % 7);  // 8 MiB to 512 MiB
            const std::string number = std::to_string(1000 + i);
            Bytes ds = DsHeaderBytes("BENCH" + number, dsCodes[static_cast<std::size_t>(i)], "01",
                                     0, 0x4000);
            ds.resize(0x4000, 0);
            ds.insert(ds.end(), banner.begin(), banner.end());
            WriteSparse(dir + "/DS/Game of the bench " + number + " (Europe).nds", size, ds);
            WriteSparse(dir + "/GBA/Game of the bench " + number + " (Europe).gba",
                        std::min<std::uint64_t>(size, 32ull << 20),
                        GbaHeaderBytes("BENCH" + number, "B" + number.substr(1), "01"));
        }
        ::sync();  // clean pages, so that ForgetRomBytes can drop them
        std::atexit([] { fs::remove_all(RomCard()); });
        return dir + "/";
    }();
    return root;
}

// Drops the ROMs' bytes from the system's file cache, as on a card just put in (their folders
// and names stay known to the system): each read of a header or banner then goes to the disk.
void ForgetRomBytes(const std::string& root) {
    for (const char* folder : {"DS", "GBA"}) {
        for (const auto& entry : fs::directory_iterator(root + folder)) {
            const int fd = ::open(entry.path().c_str(), O_RDONLY);
            ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
            ::close(fd);
        }
    }
}

// What `slotkit games` does in each mode: the games found and their lines printed.
void CardGamesWork(const std::string& root) {
    for (const auto mode : {slotkit::slots::EditMode::Nds, slotkit::slots::EditMode::Gba}) {
        const auto games =
            slotkit::games::FindCardGames(root, mode, {}, slotkit::games::BannerKept::EnglishTitle);
        std::ostringstream lines;
        slotkit::cli::PrintGames(games, lines);
        benchmark::DoNotOptimize(lines.str());
    }
}

// The floor, for each mode: the card's folders walked (a ROM may be anywhere on it), each ROM
// of the mode opened, its header and a DS ROM's banner read, closed.
void FloorWork(const std::string& root) {
    std::vector<std::uint8_t> buffer(0xA40);
    for (const bool ds : {true, false}) {
        for (const char* folder : {"DS", "GBA"}) {
            const std::string path = root + folder;
            DIR* dir = ::opendir(path.c_str());
            while (const dirent* entry = ::readdir(dir)) {
                const std::size_t length = std::strlen(entry->d_name);
                if (length < 4 || ::strcasecmp(entry->d_name + length - 4, ds ? ".nds" : ".gba")) {
                    continue;
                }
                const int fd = ::open((path + "/" + entry->d_name).c_str(), O_RDONLY);
                if (ds) {
                    benchmark::DoNotOptimize(::pread(fd, buffer.data(), 0x160, 0));
                    std::uint32_t banner = 0;
                    std::memcpy(&banner, buffer.data() + 0x68, 4);
                    benchmark::DoNotOptimize(::pread(fd, buffer.data(), 0xA40, banner));
                } else {
                    benchmark::DoNotOptimize(::pread(fd, buffer.data(), 0xC0, 0));
                }
                ::close(fd);
            }
            ::closedir(dir);
        }
    }
}

void BM_CardGames(benchmark::State& state) {
    const std::string& root = RomCard();
    for (auto _ : state) {
        CardGamesWork(root);
    }
}
BENCHMARK(BM_CardGames)->Unit(benchmark::kMillisecond);

void BM_CardGamesFloor(benchmark::State& state) {
    const std::string& root = RomCard();
    for (auto _ : state) {
        FloorWork(root);
    }
}
BENCHMARK(BM_CardGamesFloor)->Unit(benchmark::kMillisecond);

// Both in turns; the time is theirs together, the counters each one's and the ratio. With
// `uncached`, the ROMs' bytes are dropped from the file cache before each (not timed).
void AgainstFloor(benchmark::State& state, bool uncached) {
    const std::string& root = RomCard();
    using Clock = std::chrono::steady_clock;
    Clock::duration games{}, floor{};
    for (auto _ : state) {
        state.PauseTiming();
        if (uncached) {
            ForgetRomBytes(root);
        }
        state.ResumeTiming();
        const auto start = Clock::now();
        CardGamesWork(root);
        games += Clock::now() - start;
        state.PauseTiming();
        if (uncached) {
            ForgetRomBytes(root);
        }
        state.ResumeTiming();
        const auto middle = Clock::now();
        FloorWork(root);
        floor += Clock::now() - middle;
    }
    const double n = static_cast<double>(state.iterations());
    const auto ms = [&](Clock::duration d) {
        return std::chrono::duration<double, std::milli>(d).count() / n;
    };
    state.counters["games_ms"] = ms(games);
    state.counters["floor_ms"] = ms(floor);
    state.counters["ratio"] = ms(games) / ms(floor);
}

// The names and the ROMs' first bytes in the file cache: a card listed again.
void BM_CardGamesAgainstFloor(benchmark::State& state) {
    AgainstFloor(state, false);
}
BENCHMARK(BM_CardGamesAgainstFloor)->Unit(benchmark::kMillisecond);

// Every header and banner read from the disk: a card just put in.
void BM_CardGamesAgainstFloorUncached(benchmark::State& state) {
    AgainstFloor(state, true);
}
BENCHMARK(BM_CardGamesAgainstFloorUncached)->Unit(benchmark::kMillisecond);

}  // namespace
