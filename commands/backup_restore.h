// "Memorycard >> PC" and "Memorycard << PC": whole slot files copied between card and PC.
#pragma once

#include "slots/command_context.h"

namespace slotkit {

void Backup(const CommandContext& context);
void Restore(const CommandContext& context);

}  // namespace slotkit
