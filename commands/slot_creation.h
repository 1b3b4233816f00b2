// "Make dummy && Init-slot" and the old-form to new-form conversion.
#pragma once

#include "slots/command_context.h"

namespace slotkit::commands {

void MakeDummy(const slots::CommandContext& context);
void Convert(const slots::CommandContext& context);

}  // namespace slotkit::commands
