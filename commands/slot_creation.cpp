#include "commands/slot_creation.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "base/display_text.h"
#include "base/row_number.h"
#include "commands/refresh.h"
#include "commands/typed_name.h"
#include "history/in_place_writes.h"
#include "history/keep_history.h"
#include "platform/durable_writes.h"
#include "platform/files.h"
#include "slots/slot_listing.h"
#include "slots/slot_names.h"

namespace slotkit::commands {

namespace {

constexpr const char* kDummyQuestion =
    "This mode creates a Q9-Save slot(dummy slot).\nWhen executing to existing file, it erases "
    "contents.\nDoes it execute really?";
constexpr const char* kConvertQuestion =
    "Changes old form (1024KB) into new format (257KB).\nThere is possibility that the file "
    "breaks.\nDo Backup beforehand.";

// The rows that could not be done, one line each, and how many files were written, for the
// closing message. "Success!" only when something was written and nothing failed.
class Outcome {
  public:
    void Fail(std::string line) { failures_.push_back(std::move(line)); }
    void Wrote() { ++written_; }

    void Report(ports::Prompter& prompter, const char* failureHeading,
                const char* nothingDone) const {
        if (failures_.empty()) {
            prompter.Message(written_ > 0 ? ports::text::kSuccess : nothingDone,
                             ports::text::kCaptionMessage, ports::MessageKind::Info);
            return;
        }
        std::string message = std::string(ports::text::kFailed) + "\n" + failureHeading;
        for (const std::string& line : failures_) {
            message += "\n" + line;
        }
        prompter.Message(message, ports::text::kCaptionError, ports::MessageKind::Failure);
    }

  private:
    std::vector<std::string> failures_;
    int written_ = 0;
};

std::string FailureLine(const std::string& fileName, const std::string& why) {
    return base::DisplayText(fileName) + ": " + why;
}

std::string RowLine(int row, const std::string& why) {
    return "Row " + base::RowNumber(row) + ": " + why;
}

// A name for a new slot in a row without a file, or nothing when the row is skipped.
std::optional<std::string> NameForNewSlot(const slots::CommandContext& context, int row,
                                          Outcome& outcome) {
    const auto typed = context.prompter.AskSlotName();
    if (!typed) {
        return std::nullopt;
    }
    // Nothing typed is said once, in the closing message, and about what the user did.
    if (typed->find_first_not_of(' ') == std::string::npos) {
        outcome.Fail(RowLine(row, "no name was typed, so no slot was made"));
        return std::nullopt;
    }
    auto name = AcceptTypedName(context, *typed, ports::text::kCaptionError);
    if (!name) {
        outcome.Fail(base::DisplayText(slots::WithDatExtension(*typed)) +
                     ": the name can't be used");
        return std::nullopt;
    }
    const std::string path = context.SlotPathOf(*name);
    if (platform::IsDirectory(path)) {
        outcome.Fail(FailureLine(*name, "a folder has this name"));
        return std::nullopt;
    }
    // The name may be that of another save: ask before it is blanked.
    if (platform::PathExists(path)) {
        const std::string question = "A DAT file with this name already exists:\n" +
                                     base::DisplayText(*name) +
                                     "\nIts contents will be erased.\nDoes it execute really?";
        if (!context.prompter.AskYesNo(question, ports::text::kCaptionConfirm)) {
            return std::nullopt;
        }
    }
    return name;
}

}  // namespace

void MakeDummy(const slots::CommandContext& context) {
    if (!context.prompter.AskYesNo(kDummyQuestion, ports::text::kCaptionConfirm)) {
        return;
    }
    // A blank slot is zero throughout, so the listing shows it as "Not used".
    const std::vector<std::uint8_t> image(context.Layout().blankSlotSize, 0);
    std::vector<std::string> existing;
    for (int row : slots::SelectedRows(context.view)) {
        existing.push_back(context.view.FileName(row));
    }
    if (!history::KeepBeforeChange(context, existing, "dummy")) {
        return;
    }
    Outcome outcome;
    for (int row : slots::SelectedRows(context.view)) {
        std::string fileName = context.view.FileName(row);
        const bool newFile = fileName.empty();
        if (newFile) {
            auto name = NameForNewSlot(context, row, outcome);
            if (!name) {
                continue;
            }
            fileName = std::move(*name);
            // A typed name may be that of another save, which is then blanked.
            if (!history::KeepBeforeChange(context, {fileName}, "dummy")) {
                continue;
            }
        }
        // Over a slot of the blank's length the blank is written in place.
        if (auto error = history::WriteSlot(context, fileName, image)) {
            outcome.Fail(FailureLine(fileName, error.message()));
            continue;
        }
        outcome.Wrote();
        if (newFile) {
            context.prompter.Beep();
        }
    }
    outcome.Report(context.prompter, "These DAT files were not written:",
                   slots::SelectedRows(context.view).empty()
                       ? "No row was selected: no slot was made."
                       : "No slot was made.");
    Refresh(context);
}

void Convert(const slots::CommandContext& context) {
    const std::vector<int> rows = slots::SelectedRows(context.view);
    if (rows.empty()) {
        return;
    }
    if (!context.prompter.AskYesNo(kConvertQuestion, ports::text::kCaptionConfirm)) {
        return;
    }
    const std::uint64_t kept = context.Layout().newFormSize;
    std::vector<std::string> toCut;
    for (int row : rows) {
        const std::string fileName = context.view.FileName(row);
        const auto size =
            fileName.empty() ? std::nullopt : platform::FileSize(context.SlotPathOf(fileName));
        if (size && *size > kept) {
            toCut.push_back(fileName);
        }
    }
    if (!history::KeepBeforeChange(context, toCut, "convert")) {
        return;
    }
    Outcome outcome;
    for (int row : rows) {
        const std::string fileName = context.view.FileName(row);
        if (fileName.empty()) {
            continue;
        }
        const std::string path = context.SlotPathOf(fileName);
        const auto size = platform::FileSize(path);
        if (!size) {
            outcome.Fail(FailureLine(fileName, "the file can't be read"));
            continue;
        }
        if (*size == kept) {
            continue;  // already in the new form
        }
        if (*size < kept) {
            outcome.Fail(FailureLine(
                fileName,
                "shorter than the new form (" + std::to_string(*size) + " bytes); left as it was"));
            continue;
        }
        if (auto error = platform::TruncateFile(path, kept)) {
            outcome.Fail(FailureLine(fileName, error.message()));
            continue;
        }
        outcome.Wrote();
    }
    // Rows already in the new form need nothing: that is a success too.
    outcome.Report(context.prompter, "These DAT files were not converted:", ports::text::kSuccess);
    Refresh(context);
}

}  // namespace slotkit::commands
