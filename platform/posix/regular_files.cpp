#include "platform/posix/regular_files.h"

namespace slotkit::platform {

bool StatRegular(const std::string& path, struct stat& st) {
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::error_code OpenRegularForReading(const std::string& path, UniqueFd& fd, struct stat& st) {
    fd = UniqueFd(::open(path.c_str(), O_RDONLY | kOpenFlags));
    if (!fd) {
        return LastErrno();
    }
    if (::fstat(fd.get(), &st) != 0) {
        return LastErrno();
    }
    if (S_ISDIR(st.st_mode)) {
        return std::make_error_code(std::errc::is_a_directory);
    }
    if (!S_ISREG(st.st_mode)) {
        return std::make_error_code(std::errc::invalid_argument);
    }
    return {};
}

std::error_code OpenRegularForWriting(const std::string& path, UniqueFd& fd, struct stat& st) {
    fd = UniqueFd(::open(path.c_str(), O_WRONLY | kOpenFlags));
    if (!fd) {
        return LastErrno();
    }
    if (::fstat(fd.get(), &st) != 0) {
        return LastErrno();
    }
    if (!S_ISREG(st.st_mode)) {
        return std::make_error_code(std::errc::invalid_argument);
    }
    return {};
}

}  // namespace slotkit::platform
