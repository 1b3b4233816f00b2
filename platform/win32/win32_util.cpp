#include "platform/win32/win32_util.h"

#include <atomic>
#include <climits>
#include <cstdio>

namespace slotkit::platform {

std::optional<std::wstring> Widen(std::string_view utf8) {
    if (utf8.empty()) {
        return std::wstring();
    }
    if (utf8.size() > INT_MAX || utf8.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    const int size = static_cast<int>(utf8.size());
    const int length =
        ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, nullptr, 0);
    if (length <= 0) {
        return std::nullopt;
    }
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    if (::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, wide.data(),
                              length) != length) {
        return std::nullopt;
    }
    return wide;
}

std::optional<std::string> Narrow(std::wstring_view wide) {
    if (wide.empty()) {
        return std::string();
    }
    if (wide.size() > INT_MAX) {
        return std::nullopt;
    }
    const int size = static_cast<int>(wide.size());
    const int length = ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), size,
                                             nullptr, 0, nullptr, nullptr);
    if (length <= 0) {
        return std::nullopt;
    }
    std::string utf8(static_cast<std::size_t>(length), '\0');
    if (::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), size, utf8.data(), length,
                              nullptr, nullptr) != length) {
        return std::nullopt;
    }
    return utf8;
}

std::error_code FromWin32Error(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_PATHNAME:
            return std::make_error_code(std::errc::no_such_file_or_directory);
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
            return std::make_error_code(std::errc::permission_denied);
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return std::make_error_code(std::errc::file_exists);
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return std::make_error_code(std::errc::no_space_on_device);
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return std::make_error_code(std::errc::device_or_resource_busy);
        case ERROR_NOT_READY:
        case ERROR_DEV_NOT_EXIST:
            return std::make_error_code(std::errc::no_such_device);
        case ERROR_DIRECTORY:
            return std::make_error_code(std::errc::not_a_directory);
        case ERROR_INVALID_NAME:
        case ERROR_FILENAME_EXCED_RANGE:
            return std::make_error_code(std::errc::invalid_argument);
        case ERROR_NOT_SAME_DEVICE:
            return std::make_error_code(std::errc::cross_device_link);
        case ERROR_SUCCESS:
            // A failure without a reason is still a failure.
            return std::make_error_code(std::errc::io_error);
        default:
            return {static_cast<int>(error), std::system_category()};
    }
}

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

std::wstring ParentFolder(const std::wstring& path) {
    const auto slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) {
        // "E:name" is relative to the current folder of drive E.
        if (path.size() >= 2 && path[1] == L':') {
            return path.substr(0, 2);
        }
        return L".";
    }
    // Keep the separator of a root such as "E:\" or "\".
    if (slash == 0 || (slash == 2 && path[1] == L':')) {
        return path.substr(0, slash + 1);
    }
    return path.substr(0, slash);
}

std::error_code WriteAll(HANDLE file, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!::WriteFile(file, data, chunk, &written, nullptr)) {
            return LastWin32Error();
        }
        if (written == 0) {
            return std::make_error_code(std::errc::no_space_on_device);
        }
        data += written;
        size -= written;
    }
    return {};
}

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

}  // namespace

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

std::wstring JoinWide(const std::wstring& folder, const std::wstring& name) {
    if (folder.empty() || IsSeparator(folder.back()) || folder.back() == L':') {
        return folder + name;
    }
    return folder + L'\\' + name;
}

std::error_code TemporaryFile::Create(const std::wstring& target) {
    static std::atomic<unsigned> counter{0};
    const std::wstring folder = ParentFolder(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        LARGE_INTEGER now;
        ::QueryPerformanceCounter(&now);
        wchar_t name[64];
        std::swprintf(name, 64, L".slotkit-%08lx%04x.tmp",
                      static_cast<unsigned long>(now.LowPart ^ ::GetCurrentProcessId()),
                      (counter++) & 0xffffu);
        path_ = JoinWide(folder, name);
        file_ = UniqueHandle(::CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file_) {
            return {};
        }
        const DWORD error = ::GetLastError();
        path_.clear();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
            return FromWin32Error(error);
        }
    }
    return std::make_error_code(std::errc::file_exists);
}

std::error_code TemporaryFile::Flush() {
    if (!::FlushFileBuffers(file_.get())) {
        return LastWin32Error();
    }
    return file_.Close();
}

std::error_code TemporaryFile::MoveOver(const std::wstring& target) {
    if (!::MoveFileExW(path_.c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return LastWin32Error();
    }
    path_.clear();
    return {};
}

std::error_code TemporaryFile::CommitOver(const std::wstring& target) {
    if (auto error = Flush()) {
        return error;
    }
    return MoveOver(target);
}

TemporaryFile::~TemporaryFile() {
    if (!path_.empty()) {
        file_ = UniqueHandle();
        ::DeleteFileW(path_.c_str());
    }
}

std::optional<LocalTime> LocalTimeOf(const FILETIME& written) {
    SYSTEMTIME utc, local;
    if (!::FileTimeToSystemTime(&written, &utc) ||
        !::SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) {
        return std::nullopt;
    }
    return LocalTime{local.wYear, local.wMonth,  local.wDay,
                     local.wHour, local.wMinute, local.wSecond};
}

}  // namespace slotkit::platform
