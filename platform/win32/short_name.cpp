// The 8.3 short form of a path on Windows.
#include "platform/platform.h"
#include "platform/win32/win32_util.h"

namespace slotkit::platform {

std::optional<std::string> ShortPathName(const std::string& path) {
    const auto wide = Widen(path);
    if (!wide || wide->empty()) {
        return std::nullopt;
    }
    // The first call gives the size with the terminator; the name may change between calls.
    std::wstring shortPath(::GetShortPathNameW(wide->c_str(), nullptr, 0), L'\0');
    for (int attempt = 0; attempt < 3 && !shortPath.empty(); ++attempt) {
        const DWORD length = ::GetShortPathNameW(wide->c_str(), shortPath.data(),
                                                 static_cast<DWORD>(shortPath.size()));
        if (length == 0) {
            return std::nullopt;
        }
        if (length < shortPath.size()) {
            shortPath.resize(length);
            return Narrow(shortPath);
        }
        shortPath.assign(length, L'\0');
    }
    return std::nullopt;
}

std::optional<std::vector<KeptShortName>> KeptShortNames(const std::string&) {
    // Windows gives a file's 8.3 name through GetShortPathNameW, path by path.
    return std::nullopt;
}

}  // namespace slotkit::platform
