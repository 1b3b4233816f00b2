// The user's folders on POSIX systems: the history's and the cache's.
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <tuple>
#include <utility>

#include "platform/at_once.h"
#include "platform/drives.h"
#include "platform/paths.h"
#include "platform/posix/unique_fd.h"
#include "platform/staged_files.h"
#include "platform/user_places.h"

namespace slotkit::platform {

namespace {

// The user's home folder; empty when there is none.
std::string HomeFolder() {
    if (const char* env = std::getenv("HOME"); env != nullptr && env[0] == '/') {
        return env;
    }
    if (const passwd* user = ::getpwuid(::getuid());
        user != nullptr && user->pw_dir != nullptr && user->pw_dir[0] == '/') {
        return user->pw_dir;
    }
    return {};
}

}  // namespace

std::error_code DefaultHistoryFolder(std::string& folder) {
    // A relative XDG_DATA_HOME is not to be used, as for every program that follows it.
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && data[0] == '/') {
        folder = JoinPath(JoinPath(data, "slotkit"), "history");
        return {};
    }
    const std::string home = HomeFolder();
    if (home.empty()) {
        return std::make_error_code(std::errc::no_such_file_or_directory);
    }
    folder = JoinPath(JoinPath(JoinPath(JoinPath(home, ".local"), "share"), "slotkit"), "history");
    return {};
}

std::error_code UserCacheFolder(std::string& folder) {
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache != nullptr && cache[0] == '/') {
        folder = JoinPath(cache, "slotkit");
        return {};
    }
    const std::string home = HomeFolder();
    if (home.empty()) {
        return std::make_error_code(std::errc::no_such_file_or_directory);
    }
    folder = JoinPath(JoinPath(home, ".cache"), "slotkit");
    return {};
}

}  // namespace slotkit::platform
