#include "platform/posix/unique_fd.h"

namespace slotkit::platform {

std::error_code WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return LastErrno();
        }
        if (written == 0) {
            return std::make_error_code(std::errc::no_space_on_device);
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return {};
}

}  // namespace slotkit::platform
