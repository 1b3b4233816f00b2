// "Q9 >> anotherSAVE export": the selected slot's data written into an existing foreign save.
#pragma once

#include "slots/command_context.h"

namespace slotkit::commands {

void ExportSave(const slots::CommandContext& context);

}  // namespace slotkit::commands
