// "Rename DAT file" and "Delete DAT file".
#pragma once

#include "slots/command_context.h"

namespace slotkit {

void RenameSlot(const CommandContext& context);
void DeleteSlots(const CommandContext& context);

}  // namespace slotkit
