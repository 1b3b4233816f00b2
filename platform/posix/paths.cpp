#include "platform/paths.h"

#include <string>

namespace slotkit::platform {

std::string JoinPath(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (path.empty() || path.back() != kPathSeparator) {
        path += kPathSeparator;
    }
    path += name;
    return path;
}

}  // namespace slotkit::platform
