// "Change Target ROM": the ROM names in the slot trailer rewritten from a chosen ROM file.
#pragma once

#include "slots/command_context.h"

namespace slotkit::commands {

void ChangeTargetRom(const slots::CommandContext& context);

}  // namespace slotkit::commands
