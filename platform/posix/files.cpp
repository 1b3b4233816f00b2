// Paths, folders and slot enumeration on POSIX systems.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <ctime>

#include "platform/files.h"
#include "platform/folders.h"
#include "platform/paths.h"

namespace slotkit::platform {

namespace {

std::error_code LastError() {
    return {errno, std::generic_category()};
}

bool StatRegular(const std::string& path, struct stat& st) {
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

std::string JoinPath(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (path.empty() || path.back() != kPathSeparator) {
        path += kPathSeparator;
    }
    path += name;
    return path;
}

bool PathExists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

bool IsRegularFile(const std::string& path) {
    struct stat st;
    return StatRegular(path, st);
}

bool IsDirectory(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::error_code MakeFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0777) != 0) {
        return LastError();
    }
    return {};
}

std::vector<std::string> ListFiles(const std::string& folder, bool (*wanted)(std::string_view),
                                   std::error_code* error) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        if (error != nullptr && errno != ENOENT) {
            *error = LastError();
        }
        return names;
    }
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (entry == nullptr) {
            if (errno != 0 && error != nullptr) {
                *error = LastError();
            }
            break;
        }
        const std::string_view name = entry->d_name;
        if (!wanted(name)) {
            continue;
        }
        // Only files: a folder whose name is wanted is not listed.
        bool regular = entry->d_type == DT_REG;
        if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            struct stat st;
            regular = StatRegular(JoinPath(folder, name), st);
        }
        if (regular) {
            names.emplace_back(name);
        }
    }
    ::closedir(dir);
    return names;
}

std::optional<LocalTime> LastWriteTime(const std::string& path) {
    struct stat st;
    if (!StatRegular(path, st)) {
        return std::nullopt;
    }
    std::tm tm{};
    const std::time_t seconds = st.st_mtime;
    if (::localtime_r(&seconds, &tm) == nullptr) {
        return std::nullopt;
    }
    return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                     tm.tm_hour,        tm.tm_min,     tm.tm_sec};
}

std::optional<std::uint64_t> FileSize(const std::string& path) {
    struct stat st;
    if (!StatRegular(path, st)) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(st.st_size);
}

}  // namespace slotkit::platform
