#include <iostream>

#include "cli/slotkit_cli.h"
#include "platform/console.h"

int main(int argc, char** argv) {
    using namespace slotkit::platform;
    const Utf8Console console;
    const std::vector<std::string> args = ProgramArguments(argc, argv);
    return slotkit::cli::RunSlotkit(args, {std::cin, std::cout, std::cerr, InputIsTerminal()});
}
