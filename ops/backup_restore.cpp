#include "ops/backup_restore.h"

#include <memory>
#include <string>
#include <vector>

#include "card/keep_history.h"
#include "card/slot_listing.h"
#include "card/slot_names.h"

namespace slotkit {

namespace {

enum class Direction { ToPc, ToCard };

const std::vector<FileFilter>& SaveFileFilters() {
    static const std::vector<FileFilter> filters{{"Q9 SAVE FILE(*.DAT)", "*.DAT"},
                                                 {"ALL Files(*.*)", "*.*"}};
    return filters;
}

// The chosen backup file with ".DAT" appended when its own name has no dot; dots in the
// folders on the way do not count.
std::string WithDatExtensionOnFileName(const std::string& path) {
#ifdef _WIN32
    const auto cut = path.find_last_of("\\/");
#else
    const auto cut = path.find_last_of(platform::kPathSeparator);
#endif
    const std::size_t nameStart = cut == std::string::npos ? 0 : cut + 1;
    return path.substr(0, nameStart) + WithDatExtension(std::string_view(path).substr(nameStart));
}

// The copy between the slot of `fileName` and `pcPath`. A restore only ever overwrites a slot
// file that exists.
platform::CopyRequest CopyBetween(const CommandContext& context, const std::string& fileName,
                                  const std::string& pcPath, Direction direction) {
    const std::string slotPath = context.SlotPathOf(fileName);
    if (direction == Direction::ToPc) {
        return {slotPath, pcPath, false};
    }
    return {pcPath, slotPath, true};
}

// Makes the copies; a row without a file has nothing to copy and fails.
bool CopyAll(const CommandContext& context, const std::vector<std::string>& fileNames,
             const std::vector<std::string>& pcPaths, Direction direction) {
    bool allCopied = true;
    std::vector<platform::CopyRequest> requests;
    for (std::size_t i = 0; i < fileNames.size(); ++i) {
        if (fileNames[i].empty()) {
            allCopied = false;
        } else {
            requests.push_back(CopyBetween(context, fileNames[i], pcPaths[i], direction));
        }
    }
    for (const std::error_code& result : platform::CopyFilesSafely(requests)) {
        allCopied = allCopied && !result;
    }
    return allCopied;
}

void Run(const CommandContext& context, Direction direction) {
    const std::vector<int> rows = SelectedRows(context.view);
    if (rows.empty()) {
        return;
    }
    Prompter& prompter = context.prompter;
    std::unique_ptr<BusyScope> busy;
    bool allCopied = true;

    if (rows.size() > 1) {
        const auto folder =
            prompter.ChooseFolder(direction == Direction::ToPc ? "Please set a backup folder."
                                                               : "Please set a restore folder.");
        if (!folder) {
            return;
        }
        busy = prompter.Busy();
        std::vector<std::string> fileNames, pcPaths;
        for (int row : rows) {
            fileNames.push_back(context.view.FileName(row));
            pcPaths.push_back(platform::JoinPath(*folder, fileNames.back()));
        }
        if (direction == Direction::ToCard && !KeepBeforeChange(context, fileNames, "restore")) {
            return;
        }
        allCopied = CopyAll(context, fileNames, pcPaths, direction);
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
        busy = prompter.Busy();
        const std::string fileName = context.view.FileName(rows.front());
        if (direction == Direction::ToCard && !KeepBeforeChange(context, {fileName}, "restore")) {
            return;
        }
        allCopied = CopyAll(context, {fileName}, {pcPath}, direction);
    }

    if (allCopied) {
        prompter.Message(text::kSuccess, text::kCaptionTrue, MessageKind::Info);
    } else {
        prompter.Message(text::kFailed, text::kCaptionAlert, MessageKind::Failure);
    }
    Refresh(context);
}

}  // namespace

void Backup(const CommandContext& context) {
    Run(context, Direction::ToPc);
}

void Restore(const CommandContext& context) {
    Run(context, Direction::ToCard);
}

}  // namespace slotkit
