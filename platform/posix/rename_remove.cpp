// Renames that never replace a file, and removal of files only, on POSIX systems.
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>

#include "base/ascii.h"
#include "platform/durable_writes.h"
#include "platform/files.h"
#include "platform/posix/durable_rename.h"
#include "platform/posix/unique_fd.h"

namespace slotkit::platform {

namespace {

// True when `folder` holds an entry called exactly `name`, byte for byte. On a case-insensitive
// file system "SAVE.DAT" may open "save.dat" without being an entry of its own.
bool HasExactEntry(const std::string& folder, std::string_view name) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return true;  // cannot tell: assume the name is taken
    }
    bool found = false;
    while (const dirent* entry = ::readdir(dir)) {
        if (name == entry->d_name) {
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string_view NameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string_view(path)
                                      : std::string_view(path).substr(slash + 1);
}

std::error_code RenameExclusive(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return {};
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return LastErrno();
    }
    // The file system does not take the flag: look first. Nothing else writes the card while
    // a command runs, so the look stays true until the rename.
    if (PathExists(to)) {
        return std::make_error_code(std::errc::file_exists);
    }
    if (::rename(from.c_str(), to.c_str()) != 0) {
        return LastErrno();
    }
    return {};
}

// On a case-insensitive file system "save.dat" and "SAVE.DAT" are one file, and a plain rename
// between them does nothing. Going through a temporary name changes the case for real.
std::error_code RenameCaseOnly(const std::string& from, const std::string& to) {
    const std::string temp = from + ".slotkit-rename.tmp";
    if (auto error = RenameExclusive(from, temp)) {
        return error;
    }
    if (auto error = RenameExclusive(temp, to)) {
        ::rename(temp.c_str(), from.c_str());
        return error;
    }
    return {};
}

}  // namespace

std::error_code RenameNoReplace(const std::string& from, const std::string& to) {
    struct stat st;
    if (::lstat(from.c_str(), &st) != 0) {
        return LastErrno();
    }
    if (S_ISDIR(st.st_mode)) {
        return std::make_error_code(std::errc::is_a_directory);
    }
    auto error = RenameExclusive(from, to);
    if (!error) {
        return NotConfirmed(SyncRenamedFile(to));
    }
    // Only the letter case differs and `to` is taken, yet the folder holds no entry of exactly
    // that name: a case-insensitive file system found `from` itself under the other spelling.
    // (Inode numbers cannot tell: FUSE file systems give each spelling a number of its own.)
    // A real entry of that name, such as a second hard link, is a name already taken.
    if (error == std::errc::file_exists && from != to && base::EqualIgnoringAsciiCase(from, to) &&
        !HasExactEntry(FolderOf(to), NameOf(to))) {
        error = RenameCaseOnly(from, to);
        if (!error) {
            error = NotConfirmed(SyncRenamedFile(to));
        }
    }
    return error;
}

std::error_code RemoveFile(const std::string& path) {
    // Its clusters stay taken until its entry is gone from the card.
    UniqueFd removed = HoldClusters(path);
    if (::unlink(path.c_str()) != 0) {
        return LastErrno();
    }
    return NotConfirmed(SyncFolderOf(path));
}

}  // namespace slotkit::platform
