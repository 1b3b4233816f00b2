// Reading and safely replacing whole files on Windows.

#include <utility>

#include "platform/durable_writes.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/win32/win32_util.h"

namespace slotkit::platform {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Opens an existing regular file (a folder, device or pipe fails).
std::error_code OpenExisting(const std::string& path, DWORD access, UniqueHandle& file) {
    const auto wide = Widen(path);
    if (!wide || wide->empty()) {
        return BadPathText();
    }
    const DWORD attributes = ::GetFileAttributesW(wide->c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return std::make_error_code(std::errc::is_a_directory);
    }
    file = UniqueHandle(::CreateFileW(wide->c_str(), access, kShareAll, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return LastWin32Error();
    }
    if (::GetFileType(file.get()) != FILE_TYPE_DISK) {
        return std::make_error_code(std::errc::invalid_argument);
    }
    return {};
}

bool IsReadOnly(const std::string& path) {
    const auto wide = Widen(path);
    if (!wide) {
        return false;
    }
    const DWORD attributes = ::GetFileAttributesW(wide->c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

std::error_code ReadSome(HANDLE file, std::uint8_t* data, std::size_t wanted, DWORD& got) {
    const DWORD chunk = wanted > (1u << 30) ? (1u << 30) : static_cast<DWORD>(wanted);
    if (!::ReadFile(file, data, chunk, &got, nullptr)) {
        // A read at or past the end of a file is a plain end, not a failure.
        if (::GetLastError() == ERROR_HANDLE_EOF) {
            got = 0;
            return {};
        }
        return LastWin32Error();
    }
    return {};
}

std::error_code RefuseFolderTarget(const std::wstring& target) {
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return {};
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        return std::make_error_code(std::errc::is_a_directory);
    }
    if (attributes & FILE_ATTRIBUTE_DEVICE) {
        return std::make_error_code(std::errc::invalid_argument);
    }
    // Windows refuses to replace a read-only file; say so before writing anything, also where
    // the file system would let it happen (an administrator on some shares, Wine as root).
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        return std::make_error_code(std::errc::permission_denied);
    }
    return {};
}

}  // namespace

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

std::error_code ReplaceFile(const std::string& target, std::span<const std::uint8_t> content) {
    const auto wideTarget = Widen(target);
    if (!wideTarget || wideTarget->empty()) {
        return BadPathText();
    }
    if (auto error = RefuseFolderTarget(*wideTarget)) {
        return error;
    }
    TemporaryFile temp;
    if (auto error = temp.Create(*wideTarget)) {
        return error;
    }
    if (auto error = WriteAll(temp.handle(), content.data(), content.size())) {
        return error;
    }
    return temp.CommitOver(*wideTarget);
}

std::error_code CopyFileSafely(const std::string& source, const std::string& destination,
                               bool destinationMustExist) {
    UniqueHandle in;
    if (auto error = OpenExisting(source, GENERIC_READ, in)) {
        return error;
    }
    const auto wideDestination = Widen(destination);
    if (!wideDestination || wideDestination->empty()) {
        return BadPathText();
    }
    if (auto error = RefuseFolderTarget(*wideDestination)) {
        return error;
    }
    if (destinationMustExist && !IsRegularFile(destination)) {
        return std::make_error_code(std::errc::no_such_file_or_directory);
    }
    TemporaryFile temp;
    if (auto error = temp.Create(*wideDestination)) {
        return error;
    }
    std::vector<std::uint8_t> buffer(1 << 20);
    for (;;) {
        DWORD got = 0;
        if (auto error = ReadSome(in.get(), buffer.data(), buffer.size(), got)) {
            return error;
        }
        if (got == 0) {
            break;
        }
        if (auto error = WriteAll(temp.handle(), buffer.data(), got)) {
            return error;
        }
    }
    return temp.CommitOver(*wideDestination);
}

std::error_code CheckUpdatable(const std::string& path) {
    // Opening for writing changes nothing; a locked file fails here.
    if (IsReadOnly(path)) {
        return std::make_error_code(std::errc::permission_denied);
    }
    UniqueHandle file;
    return OpenExisting(path, GENERIC_WRITE, file);
}

std::error_code RewriteInPlace(const std::string& path, std::span<const std::uint8_t> content) {
    if (IsReadOnly(path)) {
        return std::make_error_code(std::errc::permission_denied);
    }
    UniqueHandle file;
    // OPEN_EXISTING: the file is neither made nor cut.
    if (auto error = OpenExisting(path, GENERIC_WRITE, file)) {
        return error;
    }
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(file.get(), &size)) {
        return LastWin32Error();
    }
    if (size.QuadPart < 0 || static_cast<std::uint64_t>(size.QuadPart) != content.size()) {
        return std::make_error_code(std::errc::invalid_argument);
    }
    LARGE_INTEGER start;
    start.QuadPart = 0;
    if (!::SetFilePointerEx(file.get(), start, nullptr, FILE_BEGIN)) {
        return LastWin32Error();
    }
    if (auto error = WriteAll(file.get(), content.data(), content.size())) {
        return error;
    }
    if (!::FlushFileBuffers(file.get())) {
        return LastWin32Error();
    }
    return file.Close();
}

std::error_code TruncateFile(const std::string& path, std::uint64_t length) {
    UniqueHandle file;
    if (auto error = OpenExisting(path, GENERIC_WRITE, file)) {
        return error;
    }
    // Only ever cuts: a file shorter than `length` would otherwise grow.
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(file.get(), &size)) {
        return LastWin32Error();
    }
    if (length > static_cast<std::uint64_t>(size.QuadPart)) {
        return std::make_error_code(std::errc::invalid_argument);
    }
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(length);
    if (!::SetFilePointerEx(file.get(), position, nullptr, FILE_BEGIN)) {
        return std::make_error_code(std::errc::invalid_argument);
    }
    if (!::SetEndOfFile(file.get()) || !::FlushFileBuffers(file.get())) {
        return LastWin32Error();
    }
    return file.Close();
}

}  // namespace slotkit::platform
