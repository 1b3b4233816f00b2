// Helpers shared by the Win32 services: UTF-8 <-> UTF-16 paths, error codes, owned handles,
// existing files opened and read, temporary files.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// <windows.h> names the Win32 function ReplaceFileA or ReplaceFileW as ReplaceFile, which would
// rename our own platform::ReplaceFile.
#undef ReplaceFile

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

#include "platform/durable_writes.h"
#include "platform/files.h"

namespace slotkit::platform {

// The UTF-16 form of a UTF-8 path; nothing when the text is not valid UTF-8.
std::optional<std::wstring> Widen(std::string_view utf8);
// The UTF-8 form of a name from the file system; nothing when it is not valid UTF-16.
std::optional<std::string> Narrow(std::wstring_view wide);

// A file time in local time, by the time zone rules of its own date, as Explorer shows it and as
// the POSIX build does; FileTimeToLocalFileTime would apply today's daylight-saving offset to
// every date and show half the year's files an hour off.
std::optional<LocalTime> LocalTimeOf(const FILETIME& written);

// A Win32 error as an error_code. The usual ones become their portable std::errc values, so
// callers can compare them the same way on every system.
std::error_code FromWin32Error(DWORD error);
inline std::error_code LastWin32Error() {
    return FromWin32Error(::GetLastError());
}
inline std::error_code BadPathText() {
    return std::make_error_code(std::errc::invalid_argument);
}

// Writes all of `data`; a write that makes no progress is a full device.
std::error_code WriteAll(HANDLE file, const std::uint8_t* data, std::size_t size);

// True for the attributes of a file: neither a folder nor a device.
inline bool IsFileAttributes(DWORD attributes) {
    return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

bool IsSeparator(wchar_t c);
// The folder part of a path, without its trailing separator ("." for a bare name).
std::wstring ParentFolder(const std::wstring& path);

class UniqueHandle {
  public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept
        : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            Reset();
            handle_ = std::exchange(other.handle_, INVALID_HANDLE_VALUE);
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { Reset(); }

    HANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ != INVALID_HANDLE_VALUE; }
    // Hands the handle over without closing it.
    HANDLE Release() { return std::exchange(handle_, INVALID_HANDLE_VALUE); }

    // Closes and reports whether the close succeeded: a failed close can mean lost writes.
    std::error_code Close() {
        if (handle_ == INVALID_HANDLE_VALUE) {
            return {};
        }
        if (!::CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE))) {
            return LastWin32Error();
        }
        return {};
    }

  private:
    void Reset() {
        if (handle_ != INVALID_HANDLE_VALUE) {
            ::CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE));
        }
    }
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// Opens an existing regular file (a folder, device or pipe fails).
std::error_code OpenExisting(const std::string& path, DWORD access, UniqueHandle& file);

// True when the file at `path` is marked read-only.
bool IsReadOnly(const std::string& path);

// Reads up to `wanted` bytes (at most 1 GiB) at the file's position; `got` is 0 at its end.
std::error_code ReadSome(HANDLE file, std::uint8_t* data, std::size_t wanted, DWORD& got);

// `name` in `folder`, with one separator between them.
std::wstring JoinWide(const std::wstring& folder, const std::wstring& name);

// A new, empty file beside a target, open for writing, under a name that never ends in ".DAT"
// (nor does its 8.3 alias), so no listing shows it. It is removed again unless it was moved
// over its target.
class TemporaryFile {
  public:
    TemporaryFile() = default;
    TemporaryFile(TemporaryFile&& other) noexcept
        : path_(std::exchange(other.path_, {})), file_(std::move(other.file_)) {}
    TemporaryFile& operator=(TemporaryFile&&) = delete;
    ~TemporaryFile();

    std::error_code Create(const std::wstring& target);
    HANDLE handle() const { return file_.get(); }
    // Flushes and closes the file, checking both.
    std::error_code Flush();
    // Renames the flushed file over `target`.
    std::error_code MoveOver(const std::wstring& target);
    // Flush, then MoveOver.
    std::error_code CommitOver(const std::wstring& target);

  private:
    std::wstring path_;
    UniqueHandle file_;
};

}  // namespace slotkit::platform
