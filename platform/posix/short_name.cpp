// The 8.3 short form of a path on POSIX systems.
#include "platform/platform.h"

namespace slotkit::platform {

std::optional<std::string> ShortPathName(const std::string&) {
    return std::nullopt;  // not available yet
}

}  // namespace slotkit::platform
