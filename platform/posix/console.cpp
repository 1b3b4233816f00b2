#include "platform/console.h"

#include <unistd.h>

namespace slotkit::platform {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + 1, argv + argc);
}

bool InputIsTerminal() {
    return isatty(0) == 1;
}

Utf8Console::Utf8Console() = default;
Utf8Console::~Utf8Console() = default;

}  // namespace slotkit::platform
