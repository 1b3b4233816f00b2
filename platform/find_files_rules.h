// The name rules of the file search that the POSIX and Win32 walks share.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/ascii.h"

namespace slotkit::platform {

inline bool EndsInOneOf(std::string_view name, const std::vector<std::string>& suffixes) {
    for (const std::string& suffix : suffixes) {
        if (name.size() > suffix.size() &&
            base::EqualIgnoringAsciiCase(name.substr(name.size() - suffix.size()), suffix)) {
            return true;
        }
    }
    return false;
}

inline bool IsOneOf(std::string_view name, const std::vector<std::string>& names) {
    for (const std::string& other : names) {
        if (base::EqualIgnoringAsciiCase(name, other)) {
            return true;
        }
    }
    return false;
}

}  // namespace slotkit::platform
