// What a command-line program gets from the system: its arguments in UTF-8, whether its input
// is a terminal, and a console that shows UTF-8.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace slotkit::platform {

// The program's arguments after its name, in UTF-8 (Windows hands main() the ANSI code page,
// which cannot hold every file name, so there they are taken from the UTF-16 command line).
std::vector<std::string> ProgramArguments(int argc, char** argv);

bool InputIsTerminal();

// For as long as it lives, the console shows UTF-8 output as such (Windows); nothing elsewhere.
class Utf8Console {
  public:
    Utf8Console();
    ~Utf8Console();
    Utf8Console(const Utf8Console&) = delete;
    Utf8Console& operator=(const Utf8Console&) = delete;

  private:
    [[maybe_unused]] unsigned previous_ = 0;  // the code page to go back to (Windows)
};

}  // namespace slotkit::platform
