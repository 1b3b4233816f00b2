// "Make dummy && Init-slot" and the old-form to new-form conversion.
#pragma once

#include "slots/command_context.h"

namespace slotkit {

void MakeDummy(const CommandContext& context);
void Convert(const CommandContext& context);

}  // namespace slotkit
