#include "ops/rename_delete.h"

namespace slotkit {

void RenameSlot(const CommandContext& context) {
    context.prompter.Message("This command is not built yet.", text::kCaptionError,
                             MessageKind::Failure);
}

void DeleteSlots(const CommandContext& context) {
    context.prompter.Message("This command is not built yet.", text::kCaptionError,
                             MessageKind::Failure);
}

}  // namespace slotkit
