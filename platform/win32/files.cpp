// Paths, folders and slot enumeration on Windows.
#include <cwctype>

#include "platform/files.h"
#include "platform/folders.h"
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

bool IsFileAttributes(DWORD attributes) {
    return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

}  // namespace

std::string JoinPath(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (path.empty() || (path.back() != '\\' && path.back() != '/')) {
        path += kPathSeparator;
    }
    path += name;
    return path;
}

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

std::error_code MakeFolder(const std::string& path) {
    const auto wide = Widen(path);
    if (!wide || wide->empty()) {
        return BadPathText();
    }
    if (!::CreateDirectoryW(wide->c_str(), nullptr)) {
        return LastWin32Error();
    }
    return {};
}

std::vector<std::string> ListFiles(const std::string& folder, bool (*wanted)(std::string_view),
                                   std::error_code* error) {
    std::vector<std::string> names;
    // Every entry: a pattern such as "*.DAT" would also match 8.3 aliases ("NOTES~1.DAT").
    const auto pattern = Widen(JoinPath(folder, "*"));
    if (!pattern) {
        return names;
    }
    WIN32_FIND_DATAW entry;
    HANDLE find = ::FindFirstFileW(pattern->c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) {
        const DWORD why = ::GetLastError();
        if (error != nullptr && why != ERROR_FILE_NOT_FOUND && why != ERROR_PATH_NOT_FOUND) {
            *error = std::error_code(static_cast<int>(why), std::system_category());
        }
        return names;
    }
    do {
        // Only files: a folder whose name is wanted is not listed.
        if (!IsFileAttributes(entry.dwFileAttributes)) {
            continue;
        }
        // A name that is not valid UTF-16 could not be opened again through a UTF-8 path.
        if (auto name = Narrow(entry.cFileName); name && wanted(*name)) {
            names.push_back(std::move(*name));
        }
    } while (::FindNextFileW(find, &entry));
    ::FindClose(find);
    return names;
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

}  // namespace slotkit::platform
