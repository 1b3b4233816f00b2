#include "commands/rename_delete.h"

#include <string>
#include <vector>

#include "base/display_text.h"
#include "base/row_number.h"
#include "commands/refresh.h"
#include "commands/typed_name.h"
#include "history/keep_history.h"
#include "platform/durable_writes.h"
#include "slots/slot_listing.h"

namespace slotkit::commands {

namespace {

constexpr const char* kDeleteQuestion = "Deletes a chosen file.\nDoes it execute really?";

// Renames the slot file `oldName` of `row` to the typed name; a failure is shown to the user
// with the row and the reason.
void RenameTo(const slots::CommandContext& context, int row, const std::string& oldName,
              const std::string& typed) {
    const auto newName = AcceptTypedName(context, typed, ports::text::kCaptionError);
    if (!newName) {
        return;
    }
    const auto fail = [&](const std::string& why) {
        context.prompter.Message(
            std::string(ports::text::kFailed) + "\nRow " + base::RowNumber(row) + why,
            ports::text::kCaptionError, ports::MessageKind::Failure);
    };
    // A row without a file has nothing to rename; its path would be the save folder itself.
    if (oldName.empty()) {
        fail(" has no DAT file to rename.");
        return;
    }
    if (*newName == oldName) {
        return;  // nothing to do
    }
    const auto error =
        platform::RenameNoReplace(context.SlotPathOf(oldName), context.SlotPathOf(*newName));
    if (platform::ChangedButNotConfirmed(error)) {
        fail(", " + base::DisplayText(oldName) + ": it is now " + base::DisplayText(*newName) +
             ", but " + error.message() + ".");
    } else if (error == std::errc::file_exists) {
        fail(", " + base::DisplayText(oldName) + ": " + base::DisplayText(*newName) +
             " already exists.");
    } else if (error) {
        fail(", " + base::DisplayText(oldName) + ": it was not renamed to " +
             base::DisplayText(*newName) + ": " + error.message() + ".");
    }
}

}  // namespace

void RenameSlot(const slots::CommandContext& context) {
    const int row = context.view.NextSelected(-1);
    if (row == -1) {
        return;
    }
    const std::string oldName = context.view.FileName(row);
    const auto typed = context.prompter.AskNewName();
    if (!typed || typed->empty()) {
        return;
    }
    RenameTo(context, row, oldName, *typed);
    Refresh(context);
}

void DeleteSlots(const slots::CommandContext& context) {
    if (!context.prompter.AskYesNo(kDeleteQuestion, ports::text::kCaptionConfirm)) {
        return;
    }
    std::vector<std::string> fileNames;
    for (int row : slots::SelectedRows(context.view)) {
        fileNames.push_back(context.view.FileName(row));
    }
    if (!history::KeepBeforeChange(context, fileNames, "delete")) {
        return;
    }
    std::vector<std::string> notDeleted, unconfirmed;
    for (int row : slots::SelectedRows(context.view)) {
        const std::string fileName = context.view.FileName(row);
        if (fileName.empty()) {
            continue;  // a row without a file names no file; the save folder always stays
        }
        const auto error = platform::RemoveFile(context.SlotPathOf(fileName));
        if (platform::ChangedButNotConfirmed(error)) {
            unconfirmed.push_back(base::DisplayText(fileName) + " was deleted: " + error.message());
        } else if (error && error != std::errc::no_such_file_or_directory) {
            notDeleted.push_back(base::DisplayText(fileName) + ": " + error.message());
        } else if (!error) {
            context.prompter.Done(base::DisplayText(fileName) + " was deleted.");
        }
    }
    if (!notDeleted.empty() || !unconfirmed.empty()) {
        std::string message = ports::text::kFailed;
        if (!notDeleted.empty()) {
            message += "\nThese DAT files were not deleted:";
        }
        for (const std::string& line : notDeleted) {
            message += "\n" + line;
        }
        for (const std::string& line : unconfirmed) {
            message += "\n" + line;
        }
        context.prompter.Message(message, ports::text::kCaptionError, ports::MessageKind::Failure);
    }
    Refresh(context);
}

}  // namespace slotkit::commands
