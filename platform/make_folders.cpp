#include <filesystem>

#include "platform/folders.h"

namespace slotkit::platform {

std::error_code MakeFolders(const std::string& path) {
    std::error_code error;
    std::filesystem::create_directories(
        std::filesystem::path(std::u8string(path.begin(), path.end())), error);
    return error;
}

}  // namespace slotkit::platform
