// "Refresh": the list rebuilt from the card.
#pragma once

#include "slots/command_context.h"

namespace slotkit::commands {

// Rebuilds the view from the card. With no card root it does nothing; a missing save folder
// is offered for creation first. The card's unfinished in-place writes are finished before the
// rows are read.
void Refresh(const slots::CommandContext& context);

}  // namespace slotkit::commands
