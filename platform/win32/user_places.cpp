// The user's folders on Windows: the history's and the cache's.
#include <cstdio>
#include <cwctype>
#include <vector>

#include "platform/at_once.h"
#include "platform/drives.h"
#include "platform/paths.h"
#include "platform/staged_files.h"
#include "platform/user_places.h"
#include "platform/win32/win32_util.h"

namespace slotkit::platform {

namespace {

// %LOCALAPPDATA%\slotkit\`leaf`.
std::error_code LocalAppDataFolder(const char* leaf, std::string& folder) {
    std::vector<wchar_t> value(32768);
    const DWORD length =
        ::GetEnvironmentVariableW(L"LOCALAPPDATA", value.data(), static_cast<DWORD>(value.size()));
    if (length == 0 || length >= value.size()) {
        return std::make_error_code(std::errc::no_such_file_or_directory);
    }
    const auto base = Narrow(std::wstring_view(value.data(), length));
    if (!base || base->empty()) {
        return std::make_error_code(std::errc::no_such_file_or_directory);
    }
    folder = JoinPath(JoinPath(*base, "slotkit"), leaf);
    return {};
}

}  // namespace

std::error_code DefaultHistoryFolder(std::string& folder) {
    return LocalAppDataFolder("history", folder);
}

std::error_code UserCacheFolder(std::string& folder) {
    return LocalAppDataFolder("cache", folder);
}

}  // namespace slotkit::platform
