#include "platform/posix/durable_rename.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/vfs.h>
#include <unistd.h>

#ifdef __linux__
#include <linux/magic.h>
#endif

#include "platform/posix/unique_fd.h"

namespace slotkit::platform {

namespace {

std::string FolderOfPath(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

UniqueFd HoldClusters(const std::string& path) {
#ifdef __linux__
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct statfs fs;
    if (fd && ::fstatfs(fd.get(), &fs) == 0 && fs.f_type == MSDOS_SUPER_MAGIC) {
        return fd;
    }
#else
    (void)path;
#endif
    return UniqueFd();
}

std::error_code SyncFolderOf(const std::string& path) {
    UniqueFd fd(::open(FolderOfPath(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd && ::fsync(fd.get()) != 0 && errno != EINVAL) {
        return LastErrno();  // EINVAL: a file system that cannot flush a folder
    }
    return {};
}

std::error_code SyncRenamedFile(const std::string& renamed) {
    // O_NONBLOCK: a FIFO put in the file's place meanwhile must not block the open.
    UniqueFd fd(::open(renamed.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd && ::fsync(fd.get()) != 0 && errno != EINVAL) {
        return LastErrno();
    }
    return SyncFolderOf(renamed);
}

}  // namespace slotkit::platform
