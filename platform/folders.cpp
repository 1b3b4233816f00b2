#include <algorithm>
#include <filesystem>

#include "platform/folders.h"

namespace slotkit::platform {

namespace fs = std::filesystem;

std::error_code MakeFolders(const std::string& path) {
    std::error_code error;
    fs::create_directories(fs::path(std::u8string(path.begin(), path.end())), error);
    return error;
}

std::error_code ListFolder(const std::string& folder, std::vector<FolderEntry>& entries) {
    entries.clear();
    std::error_code error;
    fs::directory_iterator it(fs::path(std::u8string(folder.begin(), folder.end())), error);
    for (const fs::directory_iterator end; !error && it != end; it.increment(error)) {
        const std::u8string name = it->path().filename().u8string();
        std::error_code typeError;
        const bool isFolder = it->is_directory(typeError) && !it->is_symlink(typeError);
        entries.push_back({std::string(name.begin(), name.end()), isFolder});
    }
    if (error) {
        entries.clear();
        return error;
    }
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    return {};
}

}  // namespace slotkit::platform
