// The lock that lets one slotkit process at a time write a card in place, on Windows: LockFileEx
// on a lock file, which the system lets go when the handle is closed or the process ends.
#include "platform/file_lock.h"
#include "platform/win32/win32_util.h"

namespace slotkit::platform {

std::error_code FileLock::Take(const std::string& path, bool wait) {
    Release();
    const auto wide = Widen(path);
    if (!wide || wide->empty()) {
        return BadPathText();
    }
    UniqueHandle file(::CreateFileW(wide->c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return LastWin32Error();
    }
    OVERLAPPED at{};
    const DWORD flags = LOCKFILE_EXCLUSIVE_LOCK | (wait ? 0 : LOCKFILE_FAIL_IMMEDIATELY);
    if (!::LockFileEx(file.get(), flags, 0, 1, 0, &at)) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING) {
            return std::make_error_code(std::errc::resource_unavailable_try_again);
        }
        return FromWin32Error(error);
    }
    // The handle stays open while the lock is held.
    handle_ = reinterpret_cast<std::intptr_t>(file.Release());
    return {};
}

void FileLock::Release() {
    if (handle_ != kNone) {
        HANDLE held = reinterpret_cast<HANDLE>(handle_);
        OVERLAPPED at{};
        ::UnlockFileEx(held, 0, 1, 0, &at);
        ::CloseHandle(held);
        handle_ = kNone;
    }
}

}  // namespace slotkit::platform
