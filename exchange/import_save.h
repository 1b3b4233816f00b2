// "Q9 << anotherSAVE inport": a foreign save's data written into the selected slot.
#pragma once

#include "card/command_context.h"

namespace slotkit {

void ImportSave(const CommandContext& context);

}  // namespace slotkit
