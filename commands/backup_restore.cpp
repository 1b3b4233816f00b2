#include "commands/backup_restore.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "base/display_text.h"
#include "base/row_number.h"
#include "commands/refresh.h"
#include "games/card_games.h"
#include "history/in_place_writes.h"
#include "history/keep_history.h"
#include "platform/durable_writes.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "slots/slot_listing.h"
#include "slots/slot_names.h"

namespace slotkit::commands {

namespace {

enum class Direction { ToPc, ToCard };

const std::vector<ports::FileFilter>& SaveFileFilters() {
    static const std::vector<ports::FileFilter> filters{{"Q9 SAVE FILE(*.DAT)", "*.DAT"},
                                                        {"ALL Files(*.*)", "*.*"}};
    return filters;
}

// The chosen backup file with ".DAT" appended when its own name has no dot; dots in the
// folders on the way do not count.
std::string WithDatExtensionOnFileName(const std::string& path) {
    const std::size_t nameStart = platform::FileNameStart(path);
    return path.substr(0, nameStart) +
           slots::WithDatExtension(std::string_view(path).substr(nameStart));
}

// One row's copy: the slot file and the file on the PC.
struct RowCopy {
    int row;
    std::string fileName;  // empty: the row has no file
    std::string pcPath;
};

std::string Describe(const RowCopy& copy, Direction direction) {
    return base::DisplayText(copy.fileName) + (direction == Direction::ToPc ? " -> " : " <- ") +
           base::DisplayText(copy.pcPath);
}

// Makes the copies and gives one line per copy that failed. A restore only ever overwrites a
// slot file that exists; a row without a file has nothing to copy.
std::vector<std::string> CopyAll(const slots::CommandContext& context,
                                 const std::vector<RowCopy>& copies, Direction direction) {
    std::vector<std::string> failures;
    std::vector<platform::CopyRequest> requests;
    std::vector<const RowCopy*> requested;
    // A restored file as long as its slot is written in place, behind the history's records.
    std::vector<std::vector<std::uint8_t>> contents;
    std::vector<const RowCopy*> inPlace;
    for (const RowCopy& copy : copies) {
        if (copy.fileName.empty()) {
            failures.push_back("Row " + base::RowNumber(copy.row) + ": the row has no DAT file");
            continue;
        }
        const std::string slotPath = context.SlotPathOf(copy.fileName);
        if (direction == Direction::ToPc) {
            requests.push_back({slotPath, copy.pcPath, false});
        } else {
            const auto slotSize = platform::FileSize(slotPath);
            std::vector<std::uint8_t> content;
            if (slotSize && platform::IsRegularFile(slotPath) &&
                platform::FileSize(copy.pcPath) == slotSize &&
                !platform::ReadWholeFile(copy.pcPath, content) && content.size() == *slotSize) {
                contents.push_back(std::move(content));
                inPlace.push_back(&copy);
                continue;
            }
            requests.push_back({copy.pcPath, slotPath, true});
        }
        requested.push_back(&copy);
    }
    std::vector<history::SlotWrite> writes;
    for (std::size_t i = 0; i < inPlace.size(); ++i) {
        writes.push_back({inPlace[i]->fileName, contents[i]});
    }
    std::vector<std::error_code> results = WriteSlots(context, writes);
    requested.insert(requested.begin(), inPlace.begin(), inPlace.end());
    const std::vector<std::error_code> copied = platform::CopyFilesSafely(requests);
    results.insert(results.end(), copied.begin(), copied.end());
    for (std::size_t i = 0; i < results.size(); ++i) {
        if (results[i]) {
            failures.push_back(Describe(*requested[i], direction) + ": " + results[i].message());
        }
    }
    return failures;
}

// A restore replaces the whole slot with the chosen file's bytes: a file that is not as long as
// a slot file of the mode (a foreign save, a ROM) is asked about first. True to go on.
bool ConfirmOddLengths(const slots::CommandContext& context, const std::vector<RowCopy>& copies) {
    const slots::SlotLayout& layout = context.Layout();
    const std::string mode = context.mode == slots::EditMode::Nds ? "NDS" : "GBA";
    const std::string lengths =
        base::ByteCount(layout.newFormSize) + " or " + base::ByteCount(slots::kOldFormSize);
    std::vector<std::string> odd;
    for (const RowCopy& copy : copies) {
        const auto size = copy.fileName.empty() ? std::nullopt : platform::FileSize(copy.pcPath);
        if (size && *size != layout.newFormSize && *size != slots::kOldFormSize) {
            odd.push_back(base::DisplayText(copy.pcPath) + " (" + base::ByteCount(*size) +
                          " bytes) over " + base::DisplayText(copy.fileName));
        }
    }
    if (odd.empty()) {
        return true;
    }
    const bool one = odd.size() == 1;
    std::string question = std::string(one ? "This file is" : "These files are") +
                           " not as long as a " + mode + " slot file (" + lengths + " bytes):";
    for (const std::string& line : odd) {
        question += "\n" + line;
    }
    question += one ? "\nIts bytes replace the whole slot, which may then not work."
                    : "\nTheir bytes replace the whole slots, which may then not work.";
    question += "\nDoes it execute really?";
    return context.prompter.AskYesNo(question, ports::text::kCaptionConfirm);
}

// How a restore question names the game a trailer names: "POKEMO~1.GBA (Pokemon Fire.gba)".
std::string GameName(const games::SlotGame& game) {
    std::string name = games::DottedShortName(game.shortName);
    if (game.longName && !game.longName->empty()) {
        name += " (" + base::DisplayText(*game.longName) + ")";
    }
    return name;
}

// Whether a trailer's 8.3 name reads as one: 11 characters of printable ASCII. Damaged or
// foreign bytes name no game to tell apart.
bool NamesAGame(const std::optional<games::SlotGame>& game) {
    return game && game->shortName.size() == slots::kShortNameSize &&
           std::all_of(game->shortName.begin(), game->shortName.end(),
                       [](char c) { return c >= 0x20 && c < 0x7F; });
}

// A restore puts the backup's trailer, with the game it names, over the slot's: a backup that
// names another game than the slot does is asked about first. Files that are not as long as a
// slot file hold no trailer to go by. True to go on.
bool ConfirmOtherGames(const slots::CommandContext& context, const std::vector<RowCopy>& copies) {
    const slots::SlotLayout& layout = context.Layout();
    std::vector<std::string> other;
    for (const RowCopy& copy : copies) {
        const auto size = copy.fileName.empty() ? std::nullopt : platform::FileSize(copy.pcPath);
        if (!size || (*size != layout.newFormSize && *size != slots::kOldFormSize)) {
            continue;
        }
        const auto backup = games::ReadSlotGame(copy.pcPath, copy.fileName, layout);
        const auto slot =
            games::ReadSlotGame(context.SlotPathOf(copy.fileName), copy.fileName, layout);
        if (!NamesAGame(backup) || !NamesAGame(slot)) {
            continue;
        }
        const bool longNamesDiffer =
            backup->longName && slot->longName && *backup->longName != *slot->longName;
        if (backup->shortName != slot->shortName || longNamesDiffer) {
            other.push_back(base::DisplayText(copy.pcPath) + " is for " + GameName(*backup) + "; " +
                            base::DisplayText(copy.fileName) + " is for " + GameName(*slot));
        }
    }
    if (other.empty()) {
        return true;
    }
    std::string question = other.size() == 1 ? "This backup names another game than its slot:"
                                             : "These backups name other games than their slots:";
    for (const std::string& line : other) {
        question += "\n" + line;
    }
    question += "\nThe slot then belongs to the backup's game.\nDoes it execute really?";
    return context.prompter.AskYesNo(question, ports::text::kCaptionConfirm);
}

// A batch backup writes into a folder that may hold older backups of the same names.
bool ConfirmReplacedBackups(const slots::CommandContext& context,
                            const std::vector<RowCopy>& copies) {
    std::string replaced;
    for (const RowCopy& copy : copies) {
        if (!copy.fileName.empty() && platform::PathExists(copy.pcPath)) {
            replaced += "\n" + base::DisplayText(copy.pcPath);
        }
    }
    return replaced.empty() || context.prompter.AskYesNo(
                                   "These files in the backup folder will be replaced:" + replaced +
                                       "\nDoes it execute really?",
                                   ports::text::kCaptionConfirm);
}

void Run(const slots::CommandContext& context, Direction direction) {
    const std::vector<int> rows = slots::SelectedRows(context.view);
    if (rows.empty()) {
        return;
    }
    ports::Prompter& prompter = context.prompter;
    std::vector<RowCopy> copies;

    if (rows.size() > 1) {
        const auto folder =
            prompter.ChooseFolder(direction == Direction::ToPc ? "Please set a backup folder."
                                                               : "Please set a restore folder.");
        if (!folder) {
            return;
        }
        for (int row : rows) {
            const std::string fileName = context.view.FileName(row);
            copies.push_back({row, fileName, platform::JoinPath(*folder, fileName)});
        }
        if (direction == Direction::ToPc && !ConfirmReplacedBackups(context, copies)) {
            return;
        }
    } else {
        auto chosen = direction == Direction::ToPc ? prompter.ChooseSaveFile(SaveFileFilters(), "")
                                                   : prompter.ChooseOpenFile(SaveFileFilters(), "");
        if (!chosen) {
            return;
        }
        const std::string pcPath =
            direction == Direction::ToPc ? WithDatExtensionOnFileName(*chosen) : *chosen;
        // The chooser asked about the name as typed; the ".DAT" file may be another one.
        if (pcPath != *chosen && platform::PathExists(pcPath) &&
            !prompter.AskYesNo(pcPath + " already exists.\nDo you want to replace it?",
                               "Confirm Save As")) {
            return;
        }
        copies.push_back({rows.front(), context.view.FileName(rows.front()), pcPath});
    }
    if (direction == Direction::ToCard) {
        if (!ConfirmOddLengths(context, copies) || !ConfirmOtherGames(context, copies)) {
            return;
        }
        std::vector<std::string> fileNames;
        for (const RowCopy& copy : copies) {
            fileNames.push_back(copy.fileName);
        }
        if (!history::KeepBeforeChange(context, fileNames, "restore")) {
            return;
        }
    }

    const std::unique_ptr<ports::BusyScope> busy = prompter.Busy();
    const std::vector<std::string> failures = CopyAll(context, copies, direction);
    if (failures.empty()) {
        prompter.Message(ports::text::kSuccess, ports::text::kCaptionTrue,
                         ports::MessageKind::Info);
    } else {
        std::string message = ports::text::kFailed;
        for (const std::string& line : failures) {
            message += "\n" + line;
        }
        prompter.Message(message, ports::text::kCaptionAlert, ports::MessageKind::Failure);
    }
    Refresh(context);
}

}  // namespace

void Backup(const slots::CommandContext& context) {
    Run(context, Direction::ToPc);
}

void Restore(const slots::CommandContext& context) {
    Run(context, Direction::ToCard);
}

}  // namespace slotkit::commands
