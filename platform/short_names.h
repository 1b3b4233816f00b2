// The 8.3 short names of FAT file systems.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace slotkit::platform {

// The 8.3 short form of `path` (the whole path, as Windows' GetShortPathName gives it), or
// nothing when none can be had.
std::optional<std::string> ShortPathName(const std::string& path);

// The 8.3 names that the file system keeps for the entries of `folder`, read in one pass over
// it: each entry's name with its 8.3 name ("GAMEOF~1.NDS"; on Windows an entry that has no
// other is its own). An empty list when the file system keeps none that can be read (POSIX: a
// folder not on a kernel-mounted FAT file system); nothing when the folder cannot be read.
struct KeptShortName {
    std::string name;
    std::string shortName;
};
std::optional<std::vector<KeptShortName>> KeptShortNames(const std::string& folder);

}  // namespace slotkit::platform
