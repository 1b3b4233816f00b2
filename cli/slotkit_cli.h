// The `slotkit` command line: parses the arguments and runs one command on the card.
#pragma once

#include <string>
#include <vector>

#include "cli/terminal_prompter.h"

namespace slotkit::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// `args` holds the arguments after the program name.
int RunSlotkit(const std::vector<std::string>& args, Terminal terminal);

}  // namespace slotkit::cli
