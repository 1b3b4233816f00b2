// A 100-slot batch restore of NDS slots of the slots' own length, the new way beside the old, in
// one run and alternated iteration by iteration, so that both meet the same disk state:
//   new  the PC files read, then card::WriteSlots: 100 intent records written to the history and
//        flushed together, each slot rewritten in place and flushed, the records removed
//   old  platform::CopyFilesSafely of the same 100 files over the slots (temporary file, fsync,
//        rename, fsync of the renamed file and of the folder, one slot after the other)
// The benchmark's time is the new way's; the counters give both, per batch, and their ratio.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_ports.h"
#include "history/in_place_writes.h"
#include "platform/durable_writes.h"
#include "platform/files.h"
#include "slots/card_paths.h"

namespace {

namespace fs = std::filesystem;
using namespace slotkit;

constexpr int kSlots = 100;
constexpr std::size_t kSlotSize = 263'168;

// A card with 100 slots, a PC folder with 100 files of their length and a history, beside the
// build on the same disk.
class RestoreCard {
  public:
    RestoreCard() {
        std::string pattern = (fs::current_path() / "slotkit-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        dir_ = pattern;
        fs::create_directories(dir_ / "card" / "NDSSAVE");
        fs::create_directories(dir_ / "pc");
        std::vector<char> bytes(kSlotSize);
        for (int i = 0; i < kSlots; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "SLOT%02d.DAT", i);
            for (const auto& [folder, seed] :
                 {std::pair{dir_ / "card" / "NDSSAVE", 0}, std::pair{dir_ / "pc", 1}}) {
                for (std::size_t j = 0; j < bytes.size(); ++j) {
                    bytes[j] =
                        static_cast<char>((j * 31 + static_cast<std::size_t>(i + seed)) & 0xFF);
                }
                std::ofstream(folder / name, std::ios::binary)
                    .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            }
            names_.emplace_back(name);
        }
        ::sync();
    }
    ~RestoreCard() {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    std::string Root() const { return slotkit::slots::AsCardRoot((dir_ / "card").string()); }
    fs::path SaveFolder() const { return dir_ / "card" / "NDSSAVE"; }
    fs::path PcFolder() const { return dir_ / "pc"; }
    std::string History() const { return (dir_ / "history").string(); }
    const std::vector<std::string>& Names() const { return names_; }

  private:
    fs::path dir_;
    std::vector<std::string> names_;
};

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void BatchRestoreInPlaceVsSafeReplace(benchmark::State& state) {
    RestoreCard card;
    bench::BenchPrompter prompter;
    bench::AllSelectedView view;
    const slotkit::slots::CommandContext context{card.Root(), slotkit::slots::EditMode::Nds,
                                                 prompter, view, card.History()};
    std::vector<platform::CopyRequest> copies;
    for (const std::string& name : card.Names()) {
        copies.push_back(
            {(card.PcFolder() / name).string(), (card.SaveFolder() / name).string(), true});
    }
    double newTotal = 0, oldTotal = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        std::vector<std::vector<std::uint8_t>> contents(kSlots);
        std::vector<slotkit::history::SlotWrite> writes;
        for (int i = 0; i < kSlots; ++i) {
            if (platform::ReadWholeFile(copies[i].source, contents[i])) {
                state.SkipWithError("a PC file could not be read");
            }
            writes.push_back({card.Names()[i], contents[i]});
        }
        for (const std::error_code& error : WriteSlots(context, writes)) {
            if (error) {
                state.SkipWithError("an in-place write failed");
            }
        }
        const double newTime = Seconds(start);
        state.SetIterationTime(newTime);
        newTotal += newTime;

        start = std::chrono::steady_clock::now();
        for (const std::error_code& error : platform::CopyFilesSafely(copies)) {
            if (error) {
                state.SkipWithError("a safe copy failed");
            }
        }
        oldTotal += Seconds(start);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["new_ms"] = newTotal / n * 1000;
    state.counters["old_ms"] = oldTotal / n * 1000;
    state.counters["new_per_old"] = oldTotal > 0 ? newTotal / oldTotal : 0;
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kSlots * kSlotSize);
}

BENCHMARK(BatchRestoreInPlaceVsSafeReplace)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->MinTime(3.0);

}  // namespace
