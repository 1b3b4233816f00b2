// "Memorycard >> PC" and "Memorycard << PC": whole slot files copied between card and PC.
#pragma once

#include "slots/command_context.h"

namespace slotkit::commands {

void Backup(const slots::CommandContext& context);
void Restore(const slots::CommandContext& context);

}  // namespace slotkit::commands
