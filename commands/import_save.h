// "Q9 << anotherSAVE inport": a foreign save's data written into the selected slot.
#pragma once

#include <string>

#include "slots/command_context.h"

namespace slotkit::commands {

void ImportSave(const slots::CommandContext& context);

// A save file dropped onto the selected row, imported as ImportSave does it. No chooser showed
// the file, so the question names the file and the slot; a row without a slot file takes none.
void ImportDroppedFile(const slots::CommandContext& context, const std::string& path);

}  // namespace slotkit::commands
