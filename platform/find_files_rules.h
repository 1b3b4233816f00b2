// The name rules of the file search that the POSIX and Win32 walks share.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace slotkit::platform {

inline bool SameLettersIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto upper = [](char c) {
            return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        };
        if (upper(a[i]) != upper(b[i])) {
            return false;
        }
    }
    return true;
}

inline bool EndsInOneOf(std::string_view name, const std::vector<std::string>& suffixes) {
    for (const std::string& suffix : suffixes) {
        if (name.size() > suffix.size() &&
            SameLettersIgnoringCase(name.substr(name.size() - suffix.size()), suffix)) {
            return true;
        }
    }
    return false;
}

inline bool IsOneOf(std::string_view name, const std::vector<std::string>& names) {
    for (const std::string& other : names) {
        if (SameLettersIgnoringCase(name, other)) {
            return true;
        }
    }
    return false;
}

}  // namespace slotkit::platform
