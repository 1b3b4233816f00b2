// "Export to a new file...": the selected slot's save written into a new raw .sav or DeSmuME
// .dsv file of the game's save size.
#pragma once

#include "slots/command_context.h"

namespace slotkit::commands {

void ExportNewSave(const slots::CommandContext& context);

}  // namespace slotkit::commands
