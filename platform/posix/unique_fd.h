// A file descriptor that is closed when it goes out of scope, unless closed before with a check.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <system_error>
#include <utility>

namespace slotkit::platform {

class UniqueFd {
  public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            Reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    ~UniqueFd() { Reset(); }

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    // Hands the descriptor over without closing it.
    int Release() { return std::exchange(fd_, -1); }

    // Closes and reports whether the close succeeded: a failed close can mean lost writes.
    std::error_code Close() {
        if (fd_ < 0) {
            return {};
        }
        const int result = ::close(std::exchange(fd_, -1));
        return result == 0 ? std::error_code{} : std::error_code{errno, std::generic_category()};
    }

  private:
    void Reset() {
        if (fd_ >= 0) {
            ::close(std::exchange(fd_, -1));
        }
    }
    int fd_ = -1;
};

inline std::error_code LastErrno() {
    return {errno, std::generic_category()};
}

// Writes all of `data`, going on after short writes and interruptions; a write that makes no
// progress is a full device.
std::error_code WriteAll(int fd, const std::uint8_t* data, std::size_t size);

}  // namespace slotkit::platform
