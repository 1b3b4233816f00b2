// A slot file name that the user typed, checked before any file is touched.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "slots/command_context.h"

namespace slotkit::commands {

// The typed name with ".DAT" appended when it holds no dot. A name that cannot be used in the
// save folder is refused with a message under `caption`; the result is then empty.
std::optional<std::string> AcceptTypedName(const slots::CommandContext& context,
                                           std::string_view typed, std::string_view caption);

}  // namespace slotkit::commands
