// Folders: made, listed, and searched for files.
#pragma once

#include <cstddef>
#include <stop_token>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace slotkit::platform {

std::error_code MakeFolder(const std::string& path);
// Makes the folder `path` and every folder above it that is missing; a folder already there is
// no error.
std::error_code MakeFolders(const std::string& path);

// The names of the files in `folder` (links to files included, folders never) for which `wanted`
// is true, in the order the file system returns them. A missing or unreadable folder gives no
// names; `error`, when given, then tells why a folder that exists could not be read.
std::vector<std::string> ListFiles(const std::string& folder, bool (*wanted)(std::string_view name),
                                   std::error_code* error = nullptr);

// The entries of a folder, sorted by name: files and sub-folders, links not followed. Fails
// when the folder cannot be read.
struct FolderEntry {
    std::string name;
    bool isFolder = false;
};
std::error_code ListFolder(const std::string& folder, std::vector<FolderEntry>& entries);

// The files anywhere under a folder whose names end in one of `suffixes` (".NDS"; any letter
// case). Links are never followed, neither to files nor to folders, and no folder is entered
// twice. The walk is bounded: folders deeper than `maxDepth` below the root are not entered,
// and it stops after looking at `maxEntries` entries. Folders that cannot be read are passed by.
// A stop asked for through `stop` ends the walk at the next entry.
struct FileSearch {
    std::vector<std::string> suffixes;
    std::vector<std::string> skippedRootFolders;  // folders right under the root not entered
    int maxDepth = 8;
    std::size_t maxEntries = 10000;
    std::stop_token stop{};
};
struct FoundFiles {
    std::vector<std::string> paths;  // full paths, in the order the walk found them
    // The entry limit, or a stop asked for, ended the walk before it was done.
    bool stoppedAtLimit = false;
};
FoundFiles FindFiles(const std::string& root, const FileSearch& search);

}  // namespace slotkit::platform
