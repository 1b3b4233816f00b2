#include "commands/exchange_steps.h"

#include "formats/foreign_save.h"
#include "platform/files.h"

namespace slotkit::commands {

namespace {

std::vector<ports::FileFilter> NdsFilters() {
    return {{"ALL Files(*.*)", "*.*"},
            {"ARMAXDuo File(*.dss)", "*.dss"},
            {"MAXDRIVE Compressed File(*.dst)", "*.dst"},
            {"MAXDRIVE No-compressed File(*.duc)", "*.duc"},
            {"SAV File(*.sav)", "*.sav"},
            {"DeSmuME File(*.dsv)", "*.dsv"}};
}

}  // namespace

std::vector<ports::FileFilter> ImportFilters(slots::EditMode mode) {
    if (mode == slots::EditMode::Gba) {
        return {{"GBA-SAV File(*.sav)", "*.sav"},
                {"SharkPort File(*.sps)", "*.sps"},
                {"SharkPort File(*.xps)", "*.xps"},
                {"GameShark SP File(*.gsv)", "*.gsv"}};
    }
    return NdsFilters();
}

std::vector<ports::FileFilter> ExportFilters(slots::EditMode mode) {
    if (mode == slots::EditMode::Gba) {
        return {{"SAV File(*.sav)", "*.sav"}};
    }
    return NdsFilters();
}

std::optional<int> OnlySelectedRow(const slots::CommandContext& context) {
    const int row = context.view.NextSelected(-1);
    if (row == -1) {
        return std::nullopt;
    }
    if (context.view.NextSelected(row) != -1) {
        context.prompter.Message(ports::text::kSelectOne, ports::text::kCaptionAlert,
                                 ports::MessageKind::Failure);
        return std::nullopt;
    }
    return row;
}

std::optional<std::string> ReadUpdatableSlot(const slots::CommandContext& context,
                                             const std::string& slotName,
                                             std::vector<std::uint8_t>& bytes) {
    if (!slotName.empty()) {
        std::string path = context.SlotPathOf(slotName);
        if (!platform::CheckUpdatable(path) && !platform::ReadWholeFile(path, bytes)) {
            return path;
        }
    }
    ShowError(context, kSlotNotOpened);
    return std::nullopt;
}

std::string HeaderTooShort(std::string_view action, std::string_view suffix) {
    std::string text = "It doesn't ";
    text += action;
    text += ": the file is shorter than the ";
    text += base::ByteCount(formats::kForeignHeaderSize);
    text += "-byte header of a *.";
    text += suffix;
    text += " file.";
    return text;
}

void ShowError(const slots::CommandContext& context, std::string_view text) {
    context.prompter.Message(text, ports::text::kCaptionError, ports::MessageKind::Failure);
}

void ShowSuccess(const slots::CommandContext& context, std::string_view note) {
    std::string message = ports::text::kSuccess;
    if (!note.empty()) {
        message += "\n";
        message += note;
    }
    context.prompter.Message(message, ports::text::kCaptionTrue, ports::MessageKind::Info);
}

std::string Question(std::string_view body, std::string_view note) {
    std::string question(body);
    if (!note.empty()) {
        question += "\n\n";
        question += note;
    }
    question += ports::text::kQuestionEnd;
    return question;
}

}  // namespace slotkit::commands
