#include "exchange/import_save.h"

namespace slotkit {

void ImportSave(const CommandContext& context) {
    context.prompter.Message("This command is not built yet.", text::kCaptionError,
                             MessageKind::Failure);
}

}  // namespace slotkit
