// "Rename DAT file" and "Delete DAT file".
#pragma once

#include "slots/command_context.h"

namespace slotkit::commands {

void RenameSlot(const slots::CommandContext& context);
void DeleteSlots(const slots::CommandContext& context);

}  // namespace slotkit::commands
