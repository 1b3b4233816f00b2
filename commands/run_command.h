// Runs a command so that nothing it throws reaches the window or the terminal: an unexpected
// failure (such as running out of memory) becomes a message to the user. A card that is no
// longer in its drive is said so, the list is emptied, and the command does not run. Before the
// command, the card's unfinished in-place writes are finished (FinishUnfinishedWrites).
#pragma once

#include <functional>

#include "slots/command_context.h"

namespace slotkit::commands {

using Command = std::function<void(const slots::CommandContext&)>;

void RunCommand(const slots::CommandContext& context, Command command);

// Thrown by a prompter that cannot get an answer at all (a terminal-less run without
// --yes or --no). It is not a std::exception, so RunCommand lets it through to the front end.
struct AnswerUnavailable {};

}  // namespace slotkit::commands
