#include <iostream>

#include "cli/slotkit_cli.h"

#ifdef _WIN32
#include <io.h>
#include <stdio.h>
#include <windows.h>
// <windows.h> first: <shellapi.h> needs its types.
#include <shellapi.h>
#else
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
// Windows hands main() its arguments in the ANSI code page, which cannot hold every file name;
// the program works in UTF-8, so the arguments are taken from the UTF-16 command line.
std::vector<std::string> Arguments(int argc, char** argv) {
    int count = 0;
    LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr) {
        return std::vector<std::string>(argv + 1, argv + argc);
    }
    std::vector<std::string> args;
    for (int i = 1; i < count; ++i) {
        const int size =
            ::WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string arg(size > 0 ? static_cast<std::size_t>(size) : 1u, '\0');
        ::WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, arg.data(), size, nullptr, nullptr);
        arg.resize(arg.size() - 1);  // the terminator
        args.push_back(std::move(arg));
    }
    ::LocalFree(wide);
    return args;
}

bool InputIsTerminal() {
    return ::_isatty(::_fileno(stdin)) != 0;
}

// Messages are UTF-8 (slot titles, file names); the console shows them as such for this run.
class Utf8Console {
  public:
    Utf8Console() : previous_(::GetConsoleOutputCP()) { ::SetConsoleOutputCP(CP_UTF8); }
    ~Utf8Console() {
        if (previous_ != 0) {
            ::SetConsoleOutputCP(previous_);
        }
    }

  private:
    UINT previous_;
};
#else
std::vector<std::string> Arguments(int argc, char** argv) {
    return std::vector<std::string>(argv + 1, argv + argc);
}

bool InputIsTerminal() {
    return isatty(0) == 1;
}
#endif

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    const Utf8Console console;
#endif
    const std::vector<std::string> args = Arguments(argc, argv);
    return slotkit::cli::RunSlotkit(args, {std::cin, std::cout, std::cerr, InputIsTerminal()});
}
