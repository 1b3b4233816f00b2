// The lock that lets one slotkit process at a time write a card in place, on POSIX systems:
// flock on a lock file, which the system lets go when the process ends however it ends.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "platform/file_lock.h"
#include "platform/posix/unique_fd.h"

namespace slotkit::platform {

std::error_code FileLock::Take(const std::string& path, bool wait) {
    Release();
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW, 0666));
    if (!fd) {
        return LastErrno();
    }
    while (::flock(fd.get(), LOCK_EX | (wait ? 0 : LOCK_NB)) != 0) {
        if (errno == EINTR) {
            continue;
        }
        if (errno == EWOULDBLOCK) {
            return std::make_error_code(std::errc::resource_unavailable_try_again);
        }
        return LastErrno();
    }
    handle_ = fd.Release();
    return {};
}

void FileLock::Release() {
    if (handle_ != kNone) {
        // Let go of the lock before the close, which lets it go too but may fail and leave the
        // descriptor open, and with it a lock the next Take of this process would wait for.
        ::flock(static_cast<int>(handle_), LOCK_UN);
        ::close(static_cast<int>(handle_));
        handle_ = kNone;
    }
}

}  // namespace slotkit::platform
