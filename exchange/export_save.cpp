#include "exchange/export_save.h"

namespace slotkit {

void ExportSave(const CommandContext& context) {
    context.prompter.Message("This command is not built yet.", text::kCaptionError,
                             MessageKind::Failure);
}

}  // namespace slotkit
