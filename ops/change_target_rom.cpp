#include "ops/change_target_rom.h"

namespace slotkit {

void ChangeTargetRom(const CommandContext& context) {
    context.prompter.Message("This command is not built yet.", text::kCaptionError,
                             MessageKind::Failure);
}

}  // namespace slotkit
