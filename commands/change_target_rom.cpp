#include "commands/change_target_rom.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "base/display_text.h"
#include "commands/rename_delete.h"
#include "games/rom_names.h"
#include "history/in_place_writes.h"
#include "history/keep_history.h"
#include "platform/files.h"
#include "platform/short_names.h"
#include "slots/slot_listing.h"

namespace slotkit::commands {

namespace {

struct ModeTexts {
    std::vector<ports::FileFilter> filters;
    const char* caption;
};

const ModeTexts& TextsFor(slots::EditMode mode) {
    static const ModeTexts nds{{{"NDS ROM FILE(*.NDS)", "*.NDS"}, {"All Files(*.*)", "*.*"}},
                               "Change a NDS-ROM info - confirmation"};
    static const ModeTexts gba{{{"GBA ROM FILE(*.GBA)", "*.GBA"}, {"All Files(*.*)", "*.*"}},
                               "Change a GBA-ROM info - confirmation"};
    return mode == slots::EditMode::Nds ? nds : gba;
}

std::string Confirmation(const std::string& slotPath, const std::string& before,
                         const std::string& after) {
    return "It changes the ROM information which was stored in the DAT file.\nBy Renameing a ROM "
           "file, it is possible to be restored in the Sceve dater\nwhich passed away, that it is "
           "possible to read.\n\nBut, it is possible to load when making a mistake and using and "
           "it passes away.\n\nTarget DAT:" +
           base::DisplayText(slotPath) + "\nBefore:" + base::DisplayText(before) +
           "\nAfter:" + base::DisplayText(after) + "\n\nDoes it execute really?";
}

// The slot's whole content, when it is a file this program may change and long enough to hold
// every trailer field; otherwise nothing, and `why` tells what is wrong when more can be said
// than that it does not open.
std::optional<std::vector<std::uint8_t>> OpenSlot(const std::string& fileName,
                                                  const std::string& path,
                                                  const slots::SlotLayout& layout,
                                                  std::string& why) {
    if (fileName.empty() || platform::CheckUpdatable(path)) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    if (platform::ReadWholeFile(path, bytes)) {
        return std::nullopt;
    }
    const std::size_t needed = layout.LongNameOffset() + slots::kLongNameSize;
    if (bytes.size() < needed) {
        why = base::DisplayText(fileName) + " is too short for a slot file: it is " +
              base::ByteCount(bytes.size()) + " bytes long, and the ROM names are kept at bytes " +
              base::ByteCount(layout.ShortNameOffset()) + " to " + base::ByteCount(needed - 1) +
              ".\nThe file was left as it was.";
        return std::nullopt;
    }
    return bytes;
}

// The rename's refresh ended the walk: the selected rows after `renamedRow` were not changed.
void ReportRowsLeft(const slots::CommandContext& context,
                    const std::vector<std::pair<int, std::string>>& selection, int renamedRow) {
    std::string left;
    for (const auto& [row, fileName] : selection) {
        if (row > renamedRow) {
            left += "\n" + (fileName.empty() ? "(row " + std::to_string(row) + ", no file)"
                                             : base::DisplayText(fileName));
        }
    }
    if (!left.empty()) {
        context.prompter.Message(
            "The rename refreshed the list and ended the change.\nThese selected DAT files were "
            "left unchanged:" +
                left,
            ports::text::kCaptionAlert, ports::MessageKind::Failure);
    }
}

}  // namespace

void ChangeTargetRom(const slots::CommandContext& context) {
    const int first = context.view.NextSelected(-1);
    if (first == -1) {
        return;
    }
    ports::Prompter& prompter = context.prompter;
    const ModeTexts& texts = TextsFor(context.mode);
    const auto romPath = prompter.ChooseOpenFile(texts.filters, "");
    if (!romPath) {
        return;
    }
    const auto shortForm = platform::ShortPathName(*romPath);
    if (!shortForm) {
        prompter.Message("The short (8.3) name of this ROM file can't be found:\n" +
                             base::DisplayText(*romPath) + "\n\nNo DAT file was changed.",
                         ports::text::kCaptionError, ports::MessageKind::Failure);
        return;
    }
    const std::string after = games::ShortNameText(*shortForm);
    const auto shortField = games::ShortNameField(after);
    const auto longField = games::LongNameField(*romPath);
    const slots::SlotLayout& layout = context.Layout();
    // The selection as it was: a rename's refresh clears it and ends the walk.
    std::vector<std::pair<int, std::string>> selection;
    for (int row : slots::SelectedRows(context.view)) {
        selection.emplace_back(row, context.view.FileName(row));
    }

    for (int row = first; row != -1; row = context.view.NextSelected(row)) {
        const std::string fileName = context.view.FileName(row);
        const std::string path = context.SlotPathOf(fileName);
        std::string why;
        auto bytes = OpenSlot(fileName, path, layout, why);
        if (!bytes) {
            prompter.Message(
                why.empty() ? "It doesn't open DAT file." : "It doesn't open DAT file.\n" + why,
                ports::text::kCaptionError, ports::MessageKind::Failure);
            return;
        }
        const auto shortAt = bytes->begin() + static_cast<std::ptrdiff_t>(layout.ShortNameOffset());
        const std::string before(shortAt, std::find(shortAt, shortAt + slots::kShortNameSize, 0));
        const std::uint8_t flag = (*bytes)[layout.LongNameFlagOffset()];

        if (!prompter.AskYesNo(Confirmation(path, before, after), texts.caption) ||
            !history::KeepBeforeChange(context, fileName, *bytes, "retarget")) {
            continue;
        }
        std::copy(shortField.begin(), shortField.end(), shortAt);
        if (flag != 0) {
            std::copy(longField.begin(), longField.end(),
                      bytes->begin() + static_cast<std::ptrdiff_t>(layout.LongNameOffset()));
        }
        if (auto error = history::WriteSlot(context, fileName, *bytes)) {
            prompter.Message(
                "It couldn't write the DAT file:\n" + base::DisplayText(path) + "\n" +
                    error.message() +
                    (history::LeftUnfinished(error) ? "" : "\n\nThe DAT file is as it was."),
                ports::text::kCaptionError, ports::MessageKind::Failure);
            return;
        }
        ShowRowAsOnCard(context, row);
        prompter.Done("The target ROM of " + base::DisplayText(fileName) + " is now " +
                      base::DisplayText(after) + ".");
        if (prompter.AskYesNo("It succeeded.\n\nContinuously, does it do DAT-Rename?\n",
                              ports::text::kCaptionMessage)) {
            RenameSlot(context);
            if (context.view.NextSelected(row) == -1) {
                ReportRowsLeft(context, selection, row);
                return;
            }
        }
    }
}

}  // namespace slotkit::commands
