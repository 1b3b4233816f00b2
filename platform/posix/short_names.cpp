// The 8.3 short form of a path on POSIX systems. A file on a FAT file system that the kernel
// mounted has a real short name, which the vfat driver tells through an ioctl on the folder.
// Everywhere else (a FAT card through a FUSE driver, any other file system) there is none, and
// the file's name stands in as Windows would shorten it. That computed alias always ends in "~1",
// so it is only trusted when no other entry of the folder would be given the same one: the FAT
// file system gives the second such file "~2", and a wrong alias makes the cartridge miss the ROM.
// Only the file's own name is shortened; the folders on the way keep their names, since no
// program here ever opens the shortened path.
#include <dirent.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <string_view>

#ifdef __linux__
#include <linux/magic.h>
#include <linux/msdos_fs.h>
#endif

#include "base/ascii.h"
#include "platform/files.h"
#include "platform/posix/unique_fd.h"
#include "platform/short_name_alias.h"
#include "platform/short_names.h"

namespace slotkit::platform {

namespace {

#ifdef __linux__
// The short name that the FAT file system keeps for `name` in `folder`, when the folder lies on
// a kernel-mounted FAT file system.
std::optional<std::string> FatShortName(const std::string& folder, const std::string& name) {
    UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir) {
        return std::nullopt;
    }
    struct statfs fs;
    if (::fstatfs(dir.get(), &fs) != 0 || fs.f_type != MSDOS_SUPER_MAGIC) {
        return std::nullopt;
    }
    // Each call gives one entry: [0] its short name, [1] its long name (empty when it has none).
    struct __fat_dirent entry[2];
    while (::ioctl(dir.get(), VFAT_IOCTL_READDIR_BOTH, entry) > 0) {
        const std::string_view shortName(entry[0].d_name, entry[0].d_reclen);
        const std::string_view longName = entry[1].d_reclen > 0
                                              ? std::string_view(entry[1].d_name, entry[1].d_reclen)
                                              : shortName;
        if (longName == name) {
            return std::string(shortName);
        }
    }
    return std::nullopt;
}
#else
std::optional<std::string> FatShortName(const std::string&, const std::string&) {
    return std::nullopt;
}
#endif

#ifdef __linux__
std::optional<std::vector<KeptShortName>> ReadKeptShortNames(const std::string& folder) {
    UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir) {
        return std::nullopt;
    }
    std::vector<KeptShortName> names;
    struct statfs fs;
    if (::fstatfs(dir.get(), &fs) != 0 || fs.f_type != MSDOS_SUPER_MAGIC) {
        return names;
    }
    struct __fat_dirent entry[2];
    while (::ioctl(dir.get(), VFAT_IOCTL_READDIR_BOTH, entry) > 0) {
        std::string shortName(entry[0].d_name, entry[0].d_reclen);
        std::string name =
            entry[1].d_reclen > 0 ? std::string(entry[1].d_name, entry[1].d_reclen) : shortName;
        names.push_back({std::move(name), std::move(shortName)});
    }
    return names;
}
#else
std::optional<std::vector<KeptShortName>> ReadKeptShortNames(const std::string& folder) {
    if (!IsDirectory(folder)) {
        return std::nullopt;
    }
    return std::vector<KeptShortName>{};
}
#endif

// True when another entry of `folder` has or would be given the short name `alias`, or when the
// folder cannot be read to tell.
bool AliasMayBeTaken(const std::string& folder, const std::string& name, const std::string& alias) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return true;
    }
    bool taken = false;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view other = entry->d_name;
        if (other == name || other == "." || other == "..") {
            continue;
        }
        const auto otherAlias = ShortNameFor(other);
        if (otherAlias && base::EqualIgnoringAsciiCase(*otherAlias, alias)) {
            taken = true;
            break;
        }
    }
    ::closedir(dir);
    return taken;
}

}  // namespace

std::optional<std::string> ShortPathName(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        return std::nullopt;
    }
    const auto slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty() || name == "." || name == "..") {
        return std::nullopt;
    }
    auto shortName = FatShortName(folder, name);
    if (!shortName) {
        shortName = ShortNameFor(name);
        if (shortName && !IsValidShortName(name) && AliasMayBeTaken(folder, name, *shortName)) {
            return std::nullopt;  // the real alias may be "~2" or later
        }
    }
    if (!shortName) {
        return std::nullopt;
    }
    return path.substr(0, slash == std::string::npos ? 0 : slash + 1) + *shortName;
}

std::optional<std::vector<KeptShortName>> KeptShortNames(const std::string& folder) {
    return ReadKeptShortNames(folder);
}

}  // namespace slotkit::platform
