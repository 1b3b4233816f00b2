// "Export to a new file...": the selected slot's save written into a new raw .sav or DeSmuME
// .dsv file of the game's save size.
#pragma once

#include "slots/command_context.h"

namespace slotkit {

void ExportNewSave(const CommandContext& context);

}  // namespace slotkit
