// A lock between slotkit processes.
#pragma once

#include <cstdint>
#include <string>
#include <system_error>

namespace slotkit::platform {

// An exclusive lock on a lock file, held for as long as the object lives or until Release: one
// slotkit process at a time finishes or makes the in-place writes of a card. Other processes
// that take the same lock wait for it (or, without `wait`, fail at once with
// std::errc::resource_unavailable_try_again). Two objects of one process exclude each other too.
class FileLock {
  public:
    FileLock() = default;
    ~FileLock() { Release(); }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Creates the lock file when it is missing (not its folder) and takes the lock.
    std::error_code Take(const std::string& path, bool wait = true);
    void Release();
    bool Held() const { return handle_ != kNone; }

  private:
    static constexpr std::intptr_t kNone = -1;
    std::intptr_t handle_ = kNone;  // a file descriptor, or a Windows HANDLE
};

}  // namespace slotkit::platform
