// A sync of 100 pairs that all go one way, next to the same 100 exports to new files run one
// after another as single commands in the same process; and a sync with nothing to do.
//
// The card holds 100 new-form NDS slots, each naming its own game and holding an 8,000-byte
// save (so each file is 8,192 bytes):
//   SyncToFolder     `sync` into an empty folder: the plan, one question, 100 new files
//   ExportNewEach    "Export to a new file..." of each slot in turn, into the same empty folder
//   SyncNothingToDo  `sync` again once both sides agree: each side read once, nothing written
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_ports.h"
#include "commands/export_new.h"
#include "commands/refresh.h"
#include "slots/slot_listing.h"
#include "sync/sync_write.h"

namespace {

namespace fs = std::filesystem;
using namespace slotkit;

constexpr int kSlots = 100;

class SavingPrompter : public bench::BenchPrompter {
  public:
    std::string savePath;
    std::optional<std::string> ChooseSaveFileAndSize(const std::vector<slotkit::ports::FileFilter>&,
                                                     std::string_view,
                                                     std::span<const std::uint64_t>,
                                                     std::uint64_t&) override {
        return savePath;
    }
};

class OneSelectedView : public slotkit::ports::SlotView {
  public:
    std::vector<slotkit::ports::SlotRow> rows;
    int selected = -1;
    int NextSelected(int row) const override { return row < selected ? selected : -1; }
    std::string FileName(int row) const override { return rows.at(row).fileName; }
    void Show(const std::vector<slotkit::ports::SlotRow>& newRows) override { rows = newRows; }
    void ShowRow(int row, const slotkit::ports::SlotRow& shown) override { rows.at(row) = shown; }
};

class SyncCard {
  public:
    SyncCard() {
        std::string pattern = (fs::current_path() / "slotkit-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        dir_ = pattern;
        fs::create_directories(dir_ / "card" / "NDSSAVE");
        std::vector<char> slot(slotkit::slots::kNdsLayout.newFormSize, static_cast<char>(0xFF));
        for (int i = 0; i < kSlots; ++i) {
            for (std::size_t j = 0; j < 8000; ++j) {
                slot[j] = static_cast<char>((j * 31 + static_cast<std::size_t>(i)) & 0xFF);
            }
            char name[16], game[16];
            std::snprintf(name, sizeof name, "SLOT%02d.DAT", i);
            std::snprintf(game, sizeof game, "GAME%02d  NDS", i);
            std::copy_n(game, 11, slot.begin() + slotkit::slots::kNdsLayout.ShortNameOffset());
            slot[slotkit::slots::kNdsLayout.LongNameFlagOffset()] = 0;
            std::ofstream(dir_ / "card" / "NDSSAVE" / name, std::ios::binary)
                .write(slot.data(), static_cast<std::streamsize>(slot.size()));
        }
        EmptyFolder();
    }
    ~SyncCard() {
        std::error_code error;
        fs::remove_all(dir_, error);
    }
    void EmptyFolder() const {
        fs::remove_all(Folder());
        fs::remove_all(dir_ / "history");
        fs::create_directories(Folder());
    }
    std::string Root() const { return (dir_ / "card").string() + "/"; }
    std::string Folder() const { return (dir_ / "emu").string(); }
    std::string History() const { return (dir_ / "history").string(); }

  private:
    fs::path dir_;
};

void SyncToFolder(benchmark::State& state) {
    SyncCard card;
    SavingPrompter prompter;
    OneSelectedView view;
    const slotkit::slots::CommandContext context{card.Root(), slotkit::slots::EditMode::Nds,
                                                 prompter, view, card.History()};
    for (auto _ : state) {
        state.PauseTiming();
        card.EmptyFolder();
        state.ResumeTiming();
        SyncWithFolder(context, card.Folder(), slotkit::sync::SyncFormat::Sav,
                       sync::Prefer::Neither, false);
    }
    if (prompter.failed || fs::file_size(fs::path(card.Folder()) / "GAME99.sav") != 8192) {
        state.SkipWithError("the sync failed");
    }
}
BENCHMARK(SyncToFolder)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void ExportNewEach(benchmark::State& state) {
    SyncCard card;
    SavingPrompter prompter;
    OneSelectedView view;
    const slotkit::slots::CommandContext context{card.Root(), slotkit::slots::EditMode::Nds,
                                                 prompter, view, card.History()};
    slotkit::commands::Refresh(context);
    for (auto _ : state) {
        state.PauseTiming();
        card.EmptyFolder();
        state.ResumeTiming();
        for (int i = 0; i < kSlots; ++i) {
            view.selected = i;
            char name[16];
            std::snprintf(name, sizeof name, "GAME%02d.sav", i);
            prompter.savePath = card.Folder() + "/" + name;
            slotkit::commands::ExportNewSave(context);
        }
    }
    if (prompter.failed || fs::file_size(fs::path(card.Folder()) / "GAME99.sav") != 8192) {
        state.SkipWithError("an export failed");
    }
}
BENCHMARK(ExportNewEach)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void SyncNothingToDo(benchmark::State& state) {
    SyncCard card;
    SavingPrompter prompter;
    OneSelectedView view;
    const slotkit::slots::CommandContext context{card.Root(), slotkit::slots::EditMode::Nds,
                                                 prompter, view, card.History()};
    SyncWithFolder(context, card.Folder(), slotkit::sync::SyncFormat::Sav, sync::Prefer::Neither,
                   false);
    for (auto _ : state) {
        SyncWithFolder(context, card.Folder(), slotkit::sync::SyncFormat::Sav,
                       sync::Prefer::Neither, false);
    }
}
BENCHMARK(SyncNothingToDo)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
