// Carrying out a sync plan: every version it replaces kept first, then each pair written on its
// own, so that one failure leaves the other pairs done and both sides of itself as they were.
#include <algorithm>

#include "base/display_text.h"
#include "commands/refresh.h"
#include "formats/save_containers.h"
#include "games/ds_save_memory.h"
#include "history/history_format.h"
#include "history/history_store.h"
#include "history/in_place_writes.h"
#include "history/keep_history.h"
#include "platform/durable_writes.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "ports/captions.h"
#include "slots/slot_listing.h"
#include "sync/sync_places.h"
#include "sync/sync_write.h"

namespace slotkit::sync {

namespace {

constexpr const char* kCaption = "Sync with a folder";
constexpr const char* kCommand = "sync";

// What one pair writes: the whole new content of the slot, of the file, or of both (the file
// brought to the game's size after its save went into the slot). Nothing to write: empty.
struct PairWrite {
    const SyncPair* pair;
    std::string slotPath;
    std::string filePath;
    std::vector<std::uint8_t> slotBefore;  // the slot's bytes now, which the history keeps
    std::vector<std::uint8_t> slotAfter;
    std::vector<std::uint8_t> fileBefore;  // the file's bytes now, when it exists
    std::vector<std::uint8_t> fileAfter;
    std::string failure;
};

// Reads both sides again and builds the new content of what the pair writes. Both are read
// again, so that a side changed since the plan was shown is not overwritten blindly.
PairWrite Prepare(const slots::CommandContext& context, const SyncPlan& plan,
                  const SyncPair& pair) {
    PairWrite write{&pair,
                    context.SlotPathOf(pair.slotFileName),
                    platform::JoinPath(plan.folder, pair.fileName),
                    {},
                    {},
                    {},
                    {},
                    {}};
    std::vector<std::uint8_t> slot, file;
    if (const std::error_code error = platform::ReadWholeFile(write.slotPath, slot)) {
        write.failure = "the slot file cannot be read: " + error.message();
        return write;
    }
    const std::size_t region = std::min<std::size_t>(slot.size(), context.Layout().saveRegionSize);
    const std::size_t size = static_cast<std::size_t>(pair.size);
    if (region < size || base::ContentHash({slot.data(), size}) != pair.cardHash) {
        write.failure = "the slot changed after the plan was made";
        return write;
    }
    const std::span<const std::uint8_t> card(slot.data(), size);
    const formats::ForeignSaveType type = SyncFileType(context.mode, plan.format);
    std::span<const std::uint8_t> save;
    std::size_t saveOffset = 0;
    if (pair.fileExists) {
        if (const std::error_code error = platform::ReadWholeFile(write.filePath, file)) {
            write.failure = "the file cannot be read: " + error.message();
            return write;
        }
        const formats::FoundSave found = ReadForeignSave(type, file);
        save = found.outcome == formats::FoundSave::Outcome::Found
                   ? found.Save(file)
                   : std::span<const std::uint8_t>(file);
        saveOffset = found.outcome == formats::FoundSave::Outcome::Found ? found.offset : 0;
        // The whole file as it was planned: a change anywhere in it, even past the bytes the
        // pair moves, is not overwritten or cut.
        if (found.owned || save.size() != pair.fileSaveSize ||
            base::ContentHash(file) != pair.fileHash) {
            write.failure = "the file changed after the plan was made";
            return write;
        }
    } else if (platform::PathExists(write.filePath)) {
        write.failure = "a file of that name appeared in the folder after the plan was made";
        return write;
    }
    const std::uint64_t gameSize = pair.gameSize.value_or(0);
    if ((FileResized(pair) || !pair.fileExists) && gameSize > games::kDsSaveMemoryMost) {
        write.failure = "the game's save size is larger than any save file slotkit makes";
        return write;
    }

    if (pair.decision.way == sync::Way::ToCard) {
        // The file's save as the pair moves it: a shorter one is padded with 0xFF.
        write.slotBefore = slot;
        write.slotAfter = slot;
        const std::size_t from = std::min(save.size(), size);
        std::copy_n(save.begin(), from, write.slotAfter.begin());
        std::fill(write.slotAfter.begin() + static_cast<std::ptrdiff_t>(from),
                  write.slotAfter.begin() + static_cast<std::ptrdiff_t>(size), 0xFF);
    }
    const bool toFolder = pair.decision.way == sync::Way::ToFolder;
    if (!pair.fileExists) {
        // A new file: the card's save, then 0xFF up to the game's size.
        write.fileAfter.assign(card.begin(), card.end());
        write.fileAfter.resize(std::max<std::size_t>(size, gameSize), 0xFF);
    } else if (FileResized(pair)) {
        // The file's own save brought to the game's size, the card's laid over it when it goes
        // to the folder.
        write.fileBefore = file;
        write.fileAfter.assign(save.begin(),
                               save.begin() + static_cast<std::ptrdiff_t>(
                                                  std::min<std::uint64_t>(save.size(), gameSize)));
        write.fileAfter.resize(gameSize, 0xFF);
        if (toFolder) {
            std::copy(card.begin(), card.end(), write.fileAfter.begin());
        }
    } else if (toFolder) {
        // The file keeps its size and whatever surrounds its save (a footer, clock data).
        write.fileBefore = file;
        write.fileAfter = std::move(file);
        std::copy(card.begin(), card.end(),
                  write.fileAfter.begin() + static_cast<std::ptrdiff_t>(saveOffset));
        return write;
    }
    if (!write.fileAfter.empty() && type == formats::ForeignSaveType::Dsv) {
        const auto footer =
            formats::DesmumeFooter(static_cast<std::uint32_t>(write.fileAfter.size()));
        write.fileAfter.insert(write.fileAfter.end(), footer.begin(), footer.end());
    }
    return write;
}

// Keeps, flushed, every slot and every file the writes replace: the card's in the card's
// history, the folder's in the folder's. A version that cannot be kept fails its pair.
void KeepAll(const slots::CommandContext& context, const SyncPlan& plan,
             std::vector<PairWrite>& writes) {
    history::HistoryPlace card;
    history::HistoryPlace folder;
    const std::error_code cardError = FindHistoryPlace(context, card);
    const std::error_code folderError = FindFolderHistoryPlace(context, plan.folder, folder);
    std::vector<history::VersionToKeep> slots, files;
    std::vector<PairWrite*> slotWrites, fileWrites;
    for (PairWrite& write : writes) {
        if (!write.failure.empty()) {
            continue;
        }
        if (!write.slotAfter.empty()) {
            slots.push_back({write.pair->slotFileName, write.slotBefore,
                             history::TitleOfSlotBytes(context, write.slotBefore), std::nullopt});
            slotWrites.push_back(&write);
        }
        if (!write.fileAfter.empty() && !write.fileBefore.empty()) {
            files.push_back(
                {write.pair->fileName, write.fileBefore, write.pair->game, std::nullopt});
            fileWrites.push_back(&write);
        }
    }
    auto keep = [&](const std::error_code& placeError, const std::string& historyRoot,
                    const std::string& modeFolder, std::vector<history::VersionToKeep>& versions,
                    std::vector<PairWrite*>& owners) {
        if (versions.empty()) {
            return;
        }
        std::vector<std::error_code> results(versions.size(), placeError);
        if (!placeError) {
            results = history::KeepVersions(historyRoot, modeFolder, kCommand, versions);
        }
        for (std::size_t i = 0; i < owners.size(); ++i) {
            if (results[i] && owners[i]->failure.empty()) {
                owners[i]->failure =
                    "its current version could not be kept in the history: " + results[i].message();
            }
        }
    };
    keep(cardError, card.root, card.modeFolder, slots, slotWrites);
    keep(folderError, folder.root, folder.modeFolder, files, fileWrites);
}

}  // namespace

bool CarryOutSync(const slots::CommandContext& context, const SyncPlan& plan, std::string& report) {
    std::vector<PairWrite> writes;
    for (const SyncPair& pair : plan.pairs) {
        if (PairWrites(pair)) {
            writes.push_back(Prepare(context, plan, pair));
        }
    }
    KeepAll(context, plan, writes);

    bool whole = true;
    std::vector<sync::RecordLine> record = ReadSyncRecord(context, plan.folder);
    auto remember = [&](const SyncPair& pair, std::uint64_t hash) {
        std::erase_if(record, [&](const sync::RecordLine& line) {
            return history::SameSlotFile(line.slotFileName, pair.slotFileName);
        });
        record.push_back({pair.slotFileName, pair.fileName, {hash, hash}});
    };
    std::size_t next = 0;
    for (const SyncPair& pair : plan.pairs) {
        const std::string name =
            base::DisplayText(pair.slotFileName) + " <-> " +
            (pair.fileName.empty() ? "(no file)" : base::DisplayText(pair.fileName));
        if (!pair.blocked.empty()) {
            whole = false;
            report += "\nFailed: " + name + ": " + base::DisplayText(pair.blocked) + ".";
            continue;
        }
        if (!PairWrites(pair)) {
            if (pair.decision.way == sync::Way::Nothing && pair.folderHash == pair.cardHash) {
                remember(pair, pair.cardHash);
            }
            if (pair.decision.way == sync::Way::Conflict) {
                report += "\nLeft as they are: " + name + ": " + pair.decision.why + ".";
            }
            continue;
        }
        PairWrite& write = writes[next++];
        const bool toCard = !write.slotAfter.empty();
        if (write.failure.empty() && toCard && !context.CardInDrive()) {
            write.failure = "the card is no longer in its drive";
        }
        if (write.failure.empty() && toCard) {
            // A slot of the same length is written in place, behind the history's record.
            if (const std::error_code error =
                    history::WriteSlot(context, write.pair->slotFileName, write.slotAfter)) {
                write.failure = "it could not be written: " + error.message() +
                                (history::LeftUnfinished(error) ? "" : "; it is as it was");
            }
        }
        if (!write.failure.empty()) {
            whole = false;
            report += "\nFailed: " + name + ": " + base::DisplayText(write.failure) + ".";
            continue;
        }
        // Both sides hold the save the pair moves once its way is done; a file then left at its
        // size still holds the same save (only padding differs).
        const auto done = [&] { remember(pair, toCard ? *pair.folderHash : pair.cardHash); };
        if (toCard) {
            done();
        }
        std::string what = toCard ? "the file's save is now in the slot" : "";
        if (!write.fileAfter.empty()) {
            if (const std::error_code error =
                    platform::ReplaceFile(write.filePath, write.fileAfter)) {
                whole = false;
                report += "\nFailed: " + name + ": " + (toCard ? what + ", but the file" : "it") +
                          " could not be written: " + base::DisplayText(error.message()) +
                          (history::LeftUnfinished(error) ? "" : "; the file is as it was") + ".";
                continue;
            }
            if (!toCard) {
                done();
            }
            if (pair.decision.way == sync::Way::ToFolder) {
                what = "the slot's save is now in the file";
            }
            if (FileResized(pair)) {
                what += std::string(what.empty() ? "the file" : "; the file") +
                        " is now of the game's size (" + base::ByteCount(*pair.gameSize) +
                        " bytes)";
            }
        }
        report += "\n" + name + ": " + what + ".";
    }
    if (const std::error_code error = WriteSyncRecord(context, plan.folder, record)) {
        whole = false;
        report += "\nFailed: the sync record could not be written (" + error.message() +
                  "); the next sync will ask about the pairs whose sides differ.";
    }
    return whole;
}

void SyncWithFolder(const slots::CommandContext& context, const std::string& folder,
                    SyncFormat format, sync::Prefer prefer, bool dryRun) {
    std::string failure;
    std::optional<SyncPlan> plan = PlanSync(context, folder, format, failure);
    if (!plan) {
        context.prompter.Message(failure + "\nNothing was synced.", kCaption,
                                 ports::MessageKind::Failure);
        return;
    }
    for (SyncPair& pair : plan->pairs) {
        pair.decision = sync::Settle(pair.decision, prefer);
    }
    const std::string planText = PlanText(*plan);
    if (dryRun) {
        context.prompter.Message(planText + "\n\nA dry run: nothing was written.", kCaption,
                                 ports::MessageKind::Info);
        return;
    }
    const bool blocked = std::any_of(plan->pairs.begin(), plan->pairs.end(),
                                     [](const SyncPair& pair) { return !pair.blocked.empty(); });
    if (!PlanWrites(*plan)) {
        context.prompter.Message(planText + "\n\nNothing to write: nothing was changed.", kCaption,
                                 blocked ? ports::MessageKind::Failure : ports::MessageKind::Info);
        return;
    }
    if (!context.prompter.AskYesNo(planText + ports::text::kQuestionEnd, kCaption)) {
        return;
    }
    CarryOutAndReport(context, *plan);
}

void CarryOutAndReport(const slots::CommandContext& context, const SyncPlan& plan) {
    std::string report;
    const bool whole = [&] {
        const auto busy = context.prompter.Busy();
        return CarryOutSync(context, plan, report);
    }();
    if (context.CardInDrive()) {
        commands::Refresh(context);
    }
    if (whole) {
        context.prompter.Message(std::string(ports::text::kSuccess) + report,
                                 ports::text::kCaptionTrue, ports::MessageKind::Info);
    } else {
        context.prompter.Message(std::string(ports::text::kFailed) + report,
                                 ports::text::kCaptionError, ports::MessageKind::Failure);
    }
}

}  // namespace slotkit::sync
