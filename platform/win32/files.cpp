// Files on Windows: what they are, and reading them.
#include <utility>

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/win32/win32_util.h"

namespace slotkit::platform {

namespace {

// Attributes of the thing at `path`; nothing when it cannot be reached.
std::optional<DWORD> Attributes(const std::string& path) {
    const auto wide = Widen(path);
    if (!wide || wide->empty()) {
        return std::nullopt;
    }
    const DWORD attributes = ::GetFileAttributesW(wide->c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return std::nullopt;
    }
    return attributes;
}

}  // namespace

bool PathExists(const std::string& path) {
    return Attributes(path).has_value();
}

bool IsRegularFile(const std::string& path) {
    const auto attributes = Attributes(path);
    return attributes && IsFileAttributes(*attributes);
}

bool IsDirectory(const std::string& path) {
    const auto attributes = Attributes(path);
    return attributes && (*attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::optional<LocalTime> LastWriteTime(const std::string& path) {
    const auto wide = Widen(path);
    if (!wide || wide->empty()) {
        return std::nullopt;
    }
    // Folders cannot be opened without FILE_FLAG_BACKUP_SEMANTICS, so only files get a time.
    UniqueHandle file(::CreateFileW(wide->c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file || ::GetFileType(file.get()) != FILE_TYPE_DISK) {
        return std::nullopt;
    }
    FILETIME written;
    if (!::GetFileTime(file.get(), nullptr, nullptr, &written)) {
        return std::nullopt;
    }
    return LocalTimeOf(written);
}

std::optional<std::uint64_t> FileSize(const std::string& path) {
    const auto wide = Widen(path);
    if (!wide || wide->empty()) {
        return std::nullopt;
    }
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(wide->c_str(), GetFileExInfoStandard, &data) ||
        !IsFileAttributes(data.dwFileAttributes)) {
        return std::nullopt;
    }
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::error_code CheckUpdatable(const std::string& path) {
    // Opening for writing changes nothing; a locked file fails here.
    if (IsReadOnly(path)) {
        return std::make_error_code(std::errc::permission_denied);
    }
    UniqueHandle file;
    return OpenExisting(path, GENERIC_WRITE, file);
}

OpenFolder::~OpenFolder() = default;

std::error_code OpenFolder::Open(const std::string& path) {
    path_ = path;
    return IsDirectory(path) ? std::error_code{} : std::make_error_code(std::errc::not_a_directory);
}

FileReader::~FileReader() {
    Close();
}

void FileReader::Close() {
    if (handle_ != -1) {
        ::CloseHandle(reinterpret_cast<HANDLE>(std::exchange(handle_, -1)));
    }
    known_ = false;
}

std::error_code FileReader::Open(const std::string& path) {
    Close();
    UniqueHandle file;
    if (auto error = OpenExisting(path, GENERIC_READ, file)) {
        return error;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(file.get(), &info)) {
        return LastWin32Error();
    }
    handle_ = reinterpret_cast<std::intptr_t>(file.Release());
    size_ = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    lastWrite_ = static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
        info.ftLastWriteTime.dwLowDateTime);
    known_ = true;
    return {};
}

// Windows opens every file by its whole path; the folder only names where it is.
std::error_code FileReader::OpenListed(const OpenFolder& folder, const char* name) {
    return Open(JoinPath(folder.Path(), name));
}

bool FileReader::KnowSizeAndTime() const {
    return known_;
}

std::optional<LocalTime> FileReader::LastWrite() const {
    if (!KnowSizeAndTime()) {
        return std::nullopt;
    }
    FILETIME written;
    written.dwHighDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(lastWrite_) >> 32);
    written.dwLowDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(lastWrite_));
    return LocalTimeOf(written);
}

std::error_code FileReader::ReadAt(std::uint64_t offset, std::span<std::uint8_t> into,
                                   std::size_t& got) const {
    got = 0;
    while (got < into.size()) {
        const std::uint64_t at = offset + got;
        OVERLAPPED where{};
        where.Offset = static_cast<DWORD>(at);
        where.OffsetHigh = static_cast<DWORD>(at >> 32);
        const std::size_t wanted = into.size() - got;
        const DWORD chunk = wanted > (1u << 30) ? (1u << 30) : static_cast<DWORD>(wanted);
        DWORD read = 0;
        if (!::ReadFile(reinterpret_cast<HANDLE>(handle_), into.data() + got, chunk, &read,
                        &where)) {
            if (::GetLastError() == ERROR_HANDLE_EOF) {
                break;  // at or past the end: a plain end
            }
            got = 0;
            return LastWin32Error();
        }
        if (read == 0) {
            break;
        }
        got += read;
    }
    return {};
}

std::error_code ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& out) {
    out.clear();
    UniqueHandle file;
    if (auto error = OpenExisting(path, GENERIC_READ, file)) {
        return error;
    }
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(file.get(), &size)) {
        return LastWin32Error();
    }
    out.resize(static_cast<std::size_t>(size.QuadPart) + 1);
    std::size_t done = 0;
    for (;;) {
        if (done == out.size()) {
            out.resize(out.size() * 2);  // the file grew while we read it
        }
        DWORD got = 0;
        if (auto error = ReadSome(file.get(), out.data() + done, out.size() - done, got)) {
            out.clear();
            return error;
        }
        if (got == 0) {
            break;
        }
        done += got;
    }
    out.resize(done);
    return {};
}

}  // namespace slotkit::platform
