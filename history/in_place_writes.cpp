#include "history/in_place_writes.h"

#include <algorithm>
#include <mutex>
#include <set>

#include "base/display_text.h"
#include "history/history_format.h"
#include "history/history_store.h"
#include "history/intent_record.h"
#include "history/keep_history.h"
#include "platform/durable_writes.h"
#include "platform/file_lock.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/paths.h"
#include "platform/staged_files.h"
#include "slots/card_paths.h"

namespace slotkit::history {

namespace {

constexpr const char* kLockFileName = "slotkit.lock";

// The failure of an in-place write that may have left part of its bytes in the slot. Its text
// says so, in place of the usual "the slot is as it was".
class UnfinishedCategory : public std::error_category {
  public:
    const char* name() const noexcept override { return "slotkit.unfinished"; }
    std::string message(int value) const override {
        return std::generic_category().message(value) +
               "; the slot may hold part of its new save: slotkit writes it again from the "
               "history the next time it lists the card";
    }
};
const UnfinishedCategory& Unfinished() {
    static const UnfinishedCategory category;
    return category;
}
std::error_code MarkUnfinished(const std::error_code& error) {
    const int value = error.category() == std::generic_category()
                          ? error.value()
                          : static_cast<int>(std::errc::io_error);
    return {value, Unfinished()};
}

std::uint64_t HashOf(std::span<const std::uint8_t> bytes) {
    return base::ContentHash(bytes);
}

// The names of the records in a mode folder of the history, sorted.
std::vector<std::string> RecordsIn(const std::string& modeFolder) {
    std::vector<platform::FolderEntry> entries;
    if (platform::ListFolder(modeFolder, entries)) {
        return {};
    }
    std::vector<std::string> names;
    for (const platform::FolderEntry& entry : entries) {
        const std::string_view name = entry.name;
        if (!entry.isFolder && name.size() > history::kIntentSuffix.size() &&
            name.substr(name.size() - history::kIntentSuffix.size()) == history::kIntentSuffix) {
            names.push_back(entry.name);
        }
    }
    return names;
}

// The records already named to the user in this run, so that a record left behind is said once
// and not again at every listing.
bool FirstTimeSaid(const std::string& recordPath) {
    static std::mutex mutex;
    static std::set<std::string> said;
    const std::lock_guard<std::mutex> hold(mutex);
    return said.insert(recordPath).second;
}

struct Planned {
    std::size_t write;
    std::string slotPath;
    std::string recordPath;
    std::uint64_t oldHash;
    std::vector<std::uint8_t> record;
};

// The in-place part of WriteSlots, under the card's lock. Writes that it does not take are left
// with `taken` false.
void WriteInPlace(const slots::CommandContext& context, const HistoryPlace& place,
                  std::span<const SlotWrite> writes, std::vector<bool>& taken,
                  std::vector<std::error_code>& results) {
    std::vector<Planned> planned;
    std::vector<std::uint8_t> current;
    const std::string mode(SaveFolderName(context.mode));
    for (std::size_t i = 0; i < writes.size(); ++i) {
        const SlotWrite& write = writes[i];
        if (write.bytes.empty() ||
            std::any_of(planned.begin(), planned.end(), [&](const Planned& p) {
                return history::SameSlotFile(writes[p.write].fileName, write.fileName);
            })) {
            continue;  // an empty slot has nothing to rewrite; a slot named twice is replaced
        }
        const std::string slotPath = context.SlotPathOf(write.fileName);
        if (platform::ReadWholeFile(slotPath, current) || current.size() != write.bytes.size()) {
            continue;
        }
        const history::Intent intent{place.cardName,  mode, write.fileName, current.size(),
                                     HashOf(current), 0};
        planned.push_back(
            {i, slotPath,
             platform::JoinPath(place.modeFolder, history::IntentFileName(write.fileName)),
             intent.oldHash, history::IntentRecord(intent, write.bytes)});
    }
    if (planned.empty()) {
        return;
    }

    // Every record on the PC's disk, flushed, before the first byte goes to the card.
    {
        platform::StagedFiles staged;
        std::vector<platform::FileToStage> files;
        for (const Planned& p : planned) {
            files.push_back({p.recordPath, p.record});
        }
        std::size_t committed = 0;
        std::error_code error = staged.StageAll(files);
        if (!error) {
            error = staged.Commit(committed);
        }
        if (error) {
            std::vector<std::string> written;
            for (std::size_t k = 0; k < committed; ++k) {
                written.push_back(planned[k].recordPath);
            }
            platform::RemoveFilesTogether(written);
            return;  // the safe replace writes them all
        }
    }

    std::vector<std::string> done;
    for (const Planned& p : planned) {
        taken[p.write] = true;
        const std::span<const std::uint8_t> bytes = writes[p.write].bytes;
        std::error_code error = platform::RewriteInPlace(p.slotPath, bytes);
        if (!error) {
            done.push_back(p.recordPath);
            continue;
        }
        // A write that changed nothing needs no record; one that may have needs it kept.
        if (!platform::ReadWholeFile(p.slotPath, current) && current.size() == bytes.size() &&
            HashOf(current) == p.oldHash) {
            done.push_back(p.recordPath);
        } else {
            error = MarkUnfinished(error);
        }
        results[p.write] = error;
    }
    // A record whose removal fails is harmless: the next listing finds its slot whole and removes
    // it then.
    platform::RemoveFilesTogether(done);
}

// What finishing one record came to.
enum class RecordOutcome {
    Gone,            // removed meanwhile
    Unreadable,      // the record cannot be read
    Damaged,         // it fails its checks
    OtherSlot,       // it names another card, mode or slot
    SlotMissing,     // its slot is not on the card
    SlotUnreadable,  // its slot cannot be read
    OtherLength,     // its slot was changed since
    WasNew,          // the slot held its new save already
    WriteFailed,     // the slot could not be written
    WrittenOverOld,  // the new save is written: the slot held the old one
    WrittenOverPart  // the new save is written: the slot held part of it
};
struct Finishing {
    RecordOutcome outcome = RecordOutcome::Gone;
    std::error_code error;  // of reading the record or the slot, or of writing the slot
    std::string why;        // what is wrong with a damaged record
    history::Intent intent;
};

bool RecordDone(RecordOutcome outcome) {
    return outcome == RecordOutcome::WasNew || outcome == RecordOutcome::WrittenOverOld ||
           outcome == RecordOutcome::WrittenOverPart;
}

// Applies the record `name` at `path` of the place's mode folder to its slot, unless it is
// damaged, of another slot, or its slot has changed since. `record` and `current` are buffers.
Finishing FinishRecord(const slots::CommandContext& context, const HistoryPlace& place,
                       const std::string& mode, const std::string& name, const std::string& path,
                       std::vector<std::uint8_t>& record, std::vector<std::uint8_t>& current) {
    Finishing done;
    if (const std::error_code error = platform::ReadWholeFile(path, record)) {
        if (error != std::errc::no_such_file_or_directory) {
            done.outcome = RecordOutcome::Unreadable;
            done.error = error;
        }
        return done;
    }
    const auto read = history::ParseIntentRecord(record, done.why);
    if (!read) {
        done.outcome = RecordOutcome::Damaged;
        return done;
    }
    done.intent = read->intent;
    const history::Intent& intent = read->intent;
    if (intent.card != place.cardName || intent.mode != mode ||
        !history::SameSlotFile(history::IntentFileName(intent.slotFileName), name)) {
        done.outcome = RecordOutcome::OtherSlot;
        return done;
    }
    const std::string slotPath = context.SlotPathOf(intent.slotFileName);
    if (!platform::IsRegularFile(slotPath)) {
        done.outcome = RecordOutcome::SlotMissing;
        return done;
    }
    if (const std::error_code error = platform::ReadWholeFile(slotPath, current)) {
        done.outcome = RecordOutcome::SlotUnreadable;
        done.error = error;
        return done;
    }
    if (current.size() != intent.size) {
        done.outcome = RecordOutcome::OtherLength;
        return done;
    }
    const std::uint64_t hash = HashOf(current);
    if (hash == intent.newHash) {
        done.outcome = RecordOutcome::WasNew;
        return done;
    }
    if (const std::error_code error = platform::RewriteInPlace(slotPath, read->newBytes)) {
        done.outcome = RecordOutcome::WriteFailed;
        done.error = error;
        return done;
    }
    done.outcome =
        hash == intent.oldHash ? RecordOutcome::WrittenOverOld : RecordOutcome::WrittenOverPart;
    return done;
}

// The lines told to the user about the records: those finished, those that could not be
// finished now, and those left where they are (each named once a run).
struct FinishingLines {
    std::vector<std::string> finished, failed, left;
};
void AddLine(const Finishing& done, const std::string& path, FinishingLines& lines) {
    const history::Intent& intent = done.intent;
    const std::string slot = base::DisplayText(intent.slotFileName);
    auto leave = [&](const std::string& why) {
        if (FirstTimeSaid(path)) {
            lines.left.push_back(base::DisplayText(path) + ": " + why);
        }
    };
    switch (done.outcome) {
        case RecordOutcome::Gone:
            break;
        case RecordOutcome::Unreadable:
            leave("it cannot be read (" + done.error.message() + ")");
            break;
        case RecordOutcome::Damaged:
            leave("the record is damaged: " + done.why);
            break;
        case RecordOutcome::OtherSlot:
            leave("the record is of another card or slot (" + base::DisplayText(intent.card) +
                  ", " + base::DisplayText(intent.mode) + ", " +
                  base::DisplayText(intent.slotFileName) + ")");
            break;
        case RecordOutcome::SlotMissing:
            leave("the slot file " + slot + " is not on the card");
            break;
        case RecordOutcome::SlotUnreadable:
            lines.failed.push_back(slot + ": it cannot be read (" + done.error.message() + ")");
            break;
        case RecordOutcome::OtherLength:
            leave(slot + " has another length now: it was changed since");
            break;
        case RecordOutcome::WasNew:
            lines.finished.push_back(slot + ": its new save was on the card already");
            break;
        case RecordOutcome::WriteFailed:
            lines.failed.push_back(slot + ": it could not be written (" + done.error.message() +
                                   ")");
            break;
        case RecordOutcome::WrittenOverOld:
            lines.finished.push_back(slot +
                                     ": its new save is written (the card held the old one)");
            break;
        case RecordOutcome::WrittenOverPart:
            lines.finished.push_back(slot +
                                     ": its new save is written again (the card held part of it)");
            break;
    }
}

void TellLockNotTaken(ports::Prompter& prompter, const std::string& lockPath,
                      const std::error_code& error) {
    prompter.Message(
        "The unfinished writes to this card that the history holds could not be "
        "finished: its lock file cannot be taken (" +
            error.message() + "):\n" + base::DisplayText(lockPath),
        ports::text::kCaptionError, ports::MessageKind::Failure);
}

void TellFinishing(ports::Prompter& prompter, const FinishingLines& told) {
    auto lines = [](const std::vector<std::string>& items) {
        std::string text;
        for (const std::string& item : items) {
            text += "\n" + item;
        }
        return text;
    };
    if (!told.finished.empty()) {
        prompter.Message(
            "A write to the card was left unfinished (the card was pulled or slotkit "
            "was stopped), and slotkit has finished it from the history:" +
                lines(told.finished),
            ports::text::kCaptionMessage, ports::MessageKind::Info);
    }
    if (!told.failed.empty()) {
        prompter.Message("A write to the card was left unfinished and could not be finished now:" +
                             lines(told.failed) +
                             "\nIts record stays in the history; slotkit tries again the next "
                             "time it lists the card.",
                         ports::text::kCaptionError, ports::MessageKind::Failure);
    }
    if (!told.left.empty()) {
        prompter.Message("These records of unfinished writes in the history were not applied:" +
                             lines(told.left) +
                             "\nThey are left where they are. A slot they name may hold part of a "
                             "write: check it, and restore it from its kept versions if need be.",
                         ports::text::kCaptionAlert, ports::MessageKind::Info);
    }
}

}  // namespace

std::string IntentLockPath(const std::string& cardHistoryFolder) {
    return platform::JoinPath(cardHistoryFolder, kLockFileName);
}

bool LeftUnfinished(const std::error_code& error) {
    return error.category() == Unfinished() || platform::ChangedButNotConfirmed(error);
}

std::vector<std::error_code> WriteSlots(const slots::CommandContext& context,
                                        std::span<const SlotWrite> writes) {
    std::vector<std::error_code> results(writes.size());
    std::vector<bool> taken(writes.size(), false);
    HistoryPlace place;
    if (!writes.empty() && !FindHistoryPlace(context, place) &&
        !platform::MakeFolders(place.modeFolder)) {
        platform::FileLock lock;
        if (!lock.Take(IntentLockPath(place.cardFolder))) {
            WriteInPlace(context, place, writes, taken, results);
        }
    }
    for (std::size_t i = 0; i < writes.size(); ++i) {
        if (!taken[i]) {
            results[i] =
                platform::ReplaceFile(context.SlotPathOf(writes[i].fileName), writes[i].bytes);
        }
    }
    return results;
}

std::error_code WriteSlot(const slots::CommandContext& context, const std::string& fileName,
                          std::span<const std::uint8_t> bytes) {
    const SlotWrite write{fileName, bytes};
    return WriteSlots(context, {&write, 1}).front();
}

void FinishUnfinishedWrites(const slots::CommandContext& context) {
    if (context.cardRoot.empty()) {
        return;
    }
    HistoryPlace place;
    if (FindHistoryPlace(context, place) || RecordsIn(place.modeFolder).empty()) {
        return;
    }
    platform::FileLock lock;
    if (const std::error_code error = lock.Take(IntentLockPath(place.cardFolder))) {
        TellLockNotTaken(context.prompter, IntentLockPath(place.cardFolder), error);
        return;
    }
    const std::string mode(SaveFolderName(context.mode));
    FinishingLines told;
    std::vector<std::string> done;
    std::vector<std::uint8_t> record, current;
    // Listed again under the lock: another process may have finished them meanwhile.
    for (const std::string& name : RecordsIn(place.modeFolder)) {
        const std::string path = platform::JoinPath(place.modeFolder, name);
        const Finishing finishing = FinishRecord(context, place, mode, name, path, record, current);
        AddLine(finishing, path, told);
        if (RecordDone(finishing.outcome)) {
            done.push_back(path);
        }
    }
    // A record whose removal fails is found whole the next time and removed then.
    platform::RemoveFilesTogether(done);
    lock.Release();
    TellFinishing(context.prompter, told);
}

}  // namespace slotkit::history
