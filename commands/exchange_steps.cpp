#include "commands/exchange_steps.h"

#include "formats/foreign_save.h"
#include "platform/files.h"

namespace slotkit::exchange {

namespace {

std::vector<FileFilter> NdsFilters() {
    return {{"ALL Files(*.*)", "*.*"},
            {"ARMAXDuo File(*.dss)", "*.dss"},
            {"MAXDRIVE Compressed File(*.dst)", "*.dst"},
            {"MAXDRIVE No-compressed File(*.duc)", "*.duc"},
            {"SAV File(*.sav)", "*.sav"},
            {"DeSmuME File(*.dsv)", "*.dsv"}};
}

}  // namespace

std::vector<FileFilter> ImportFilters(EditMode mode) {
    if (mode == EditMode::Gba) {
        return {{"GBA-SAV File(*.sav)", "*.sav"},
                {"SharkPort File(*.sps)", "*.sps"},
                {"SharkPort File(*.xps)", "*.xps"},
                {"GameShark SP File(*.gsv)", "*.gsv"}};
    }
    return NdsFilters();
}

std::vector<FileFilter> ExportFilters(EditMode mode) {
    if (mode == EditMode::Gba) {
        return {{"SAV File(*.sav)", "*.sav"}};
    }
    return NdsFilters();
}

std::optional<int> OnlySelectedRow(const CommandContext& context) {
    const int row = context.view.NextSelected(-1);
    if (row == -1) {
        return std::nullopt;
    }
    if (context.view.NextSelected(row) != -1) {
        context.prompter.Message(text::kSelectOne, text::kCaptionAlert, MessageKind::Failure);
        return std::nullopt;
    }
    return row;
}

std::optional<std::string> ReadUpdatableSlot(const CommandContext& context,
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
    text += base::ByteCount(kForeignHeaderSize);
    text += "-byte header of a *.";
    text += suffix;
    text += " file.";
    return text;
}

void ShowError(const CommandContext& context, std::string_view text) {
    context.prompter.Message(text, text::kCaptionError, MessageKind::Failure);
}

void ShowSuccess(const CommandContext& context, std::string_view note) {
    std::string message = text::kSuccess;
    if (!note.empty()) {
        message += "\n";
        message += note;
    }
    context.prompter.Message(message, text::kCaptionTrue, MessageKind::Info);
}

std::string Question(std::string_view body, std::string_view note) {
    std::string question(body);
    if (!note.empty()) {
        question += "\n\n";
        question += note;
    }
    question += text::kQuestionEnd;
    return question;
}

}  // namespace slotkit::exchange
