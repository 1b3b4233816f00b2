#include "ops/slot_creation.h"

namespace slotkit {

void MakeDummy(const CommandContext& context) {
    context.prompter.Message("This command is not built yet.", text::kCaptionError,
                             MessageKind::Failure);
}

void Convert(const CommandContext& context) {
    context.prompter.Message("This command is not built yet.", text::kCaptionError,
                             MessageKind::Failure);
}

}  // namespace slotkit
