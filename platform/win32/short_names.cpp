// The 8.3 short form of a path on Windows.
#include "platform/short_names.h"
#include "platform/paths.h"
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

// One pass over the folder: each entry's alternate name is the 8.3 name GetShortPathNameW
// gives for it; an entry without one is its own 8.3 name.
std::optional<std::vector<KeptShortName>> KeptShortNames(const std::string& folder) {
    const auto pattern = Widen(JoinPath(folder, "*"));
    if (!pattern) {
        return std::nullopt;
    }
    WIN32_FIND_DATAW entry;
    HANDLE find = ::FindFirstFileExW(pattern->c_str(), FindExInfoStandard, &entry,
                                     FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    std::vector<KeptShortName> names;
    do {
        auto name = Narrow(entry.cFileName);
        auto shortName =
            entry.cAlternateFileName[0] != L'\0' ? Narrow(entry.cAlternateFileName) : name;
        if (name && shortName) {
            names.push_back({std::move(*name), std::move(*shortName)});
        }
    } while (::FindNextFileW(find, &entry));
    ::FindClose(find);
    return names;
}

}  // namespace slotkit::platform
