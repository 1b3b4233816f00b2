#include "platform/console.h"

#include <io.h>
#include <stdio.h>
#include <windows.h>
// <windows.h> first: <shellapi.h> needs its types.
#include <shellapi.h>

namespace slotkit::platform {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
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
Utf8Console::Utf8Console() : previous_(::GetConsoleOutputCP()) {
    ::SetConsoleOutputCP(CP_UTF8);
}

Utf8Console::~Utf8Console() {
    if (previous_ != 0) {
        ::SetConsoleOutputCP(previous_);
    }
}

}  // namespace slotkit::platform
