// A 100-slot batch restore with the history against the same restore without it.
//
// The card holds 100 new-form NDS slots (263,168 bytes each); two PC folders hold two sets of
// backups of them. Every restore replaces all 100 slots:
//   RestoreWithoutHistory  the restore's own work: 100 safe copies onto the card (each flushed
//                          and in place before the next) and the closing refresh
//   RestoreKeepingNew      the whole restore command, the two sets in turn, so that every slot
//                          holds bytes the history has not kept yet: 100 versions kept (and,
//                          once the history is full, as many old ones removed) per restore
//   RestoreKeepingSame     the whole restore command with the same set every time: the slots
//                          hold what the history kept last, so keeping is a hash per slot
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_ports.h"
#include "commands/backup_restore.h"
#include "commands/refresh.h"
#include "platform/durable_writes.h"
#include "platform/paths.h"
#include "slots/card_paths.h"
#include "slots/slot_listing.h"

namespace {

namespace fs = std::filesystem;
using namespace slotkit;
using slotkit::bench::AllSelectedView;
using AnsweringPrompter = slotkit::bench::BenchPrompter;

constexpr int kSlots = 100;
constexpr std::size_t kSlotSize = 263'168;

void WriteSlots(const fs::path& folder, int seed, std::vector<std::string>* names = nullptr) {
    fs::create_directories(folder);
    std::vector<char> bytes(kSlotSize);
    for (int i = 0; i < kSlots; ++i) {
        for (std::size_t j = 0; j < bytes.size(); ++j) {
            bytes[j] = static_cast<char>((j * 31 + static_cast<std::size_t>(i * seed)) & 0xFF);
        }
        char name[16];
        std::snprintf(name, sizeof name, "SLOT%02d.DAT", i);
        std::ofstream(folder / name, std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (names != nullptr) {
            names->emplace_back(name);
        }
    }
}

// A card, two sets of backups and a history folder, beside the build on the same disk.
class BenchPlace {
  public:
    BenchPlace() {
        std::string pattern = (fs::current_path() / "slotkit-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        dir_ = pattern;
        WriteSlots(dir_ / "card" / "NDSSAVE", 1, &names_);
        WriteSlots(dir_ / "pc1", 3);
        WriteSlots(dir_ / "pc2", 5);
        ::sync();
    }
    ~BenchPlace() {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    std::string Root() const { return slotkit::slots::AsCardRoot((dir_ / "card").string()); }
    std::string Pc(int set) const { return (dir_ / ("pc" + std::to_string(set))).string(); }
    std::string History() const { return (dir_ / "history").string(); }
    const std::vector<std::string>& Names() const { return names_; }

  private:
    fs::path dir_;
    std::vector<std::string> names_;
};

void SetBytes(benchmark::State& state) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kSlots * kSlotSize);
}

// Restores from the two sets in turn (`alternate`) or from the first set only.
void RunRestore(benchmark::State& state, bool keep, bool alternate) {
    BenchPlace place;
    AnsweringPrompter prompter;
    prompter.answer = false;  // the only question a restore asks is about a history it cannot write
    AllSelectedView view;
    const slotkit::slots::CommandContext context{place.Root(), slotkit::slots::EditMode::Nds,
                                                 prompter, view, place.History()};
    int set = 1;
    for (auto _ : state) {
        state.PauseTiming();
        view.rows.clear();
        for (const std::string& name : place.Names()) {
            view.rows.push_back({"", name, "", ""});
        }
        view.selectedCount = kSlots;
        prompter.folder = place.Pc(set);
        if (alternate) {
            set = 3 - set;
        }
        ::sync();  // earlier writes are not charged to this restore
        state.ResumeTiming();
        if (keep) {
            slotkit::commands::Restore(context);
        } else {
            std::vector<platform::CopyRequest> copies;
            for (const std::string& name : place.Names()) {
                copies.push_back(
                    {platform::JoinPath(*prompter.folder, name), context.SlotPathOf(name), true});
            }
            for (const std::error_code& error : platform::CopyFilesSafely(copies)) {
                prompter.failed = prompter.failed || static_cast<bool>(error);
            }
            slotkit::commands::Refresh(context);
        }
    }
    if (prompter.failed) {
        state.SkipWithError("the restore failed");
    }
    SetBytes(state);
}

void RestoreWithoutHistory(benchmark::State& state) {
    RunRestore(state, false, true);
}
void RestoreKeepingNew(benchmark::State& state) {
    RunRestore(state, true, true);
}
void RestoreKeepingSame(benchmark::State& state) {
    RunRestore(state, true, false);
}

BENCHMARK(RestoreWithoutHistory)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(RestoreKeepingNew)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(RestoreKeepingSame)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
