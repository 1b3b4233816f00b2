#include "platform/posix/durable_rename.h"

#include <fcntl.h>
#include <unistd.h>

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

void SyncFolderOf(const std::string& path) {
    UniqueFd fd(::open(FolderOfPath(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd) {
        ::fsync(fd.get());
    }
}

void SyncRenamedFile(const std::string& renamed) {
    // O_NONBLOCK: a FIFO put in the file's place meanwhile must not block the open.
    UniqueFd fd(::open(renamed.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd) {
        ::fsync(fd.get());
    }
    SyncFolderOf(renamed);
}

}  // namespace slotkit::platform
