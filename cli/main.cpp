#include <unistd.h>

#include <iostream>

#include "cli/slotkit_cli.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return slotkit::cli::RunSlotkit(args, {std::cin, std::cout, std::cerr, isatty(0) == 1});
}
