// Paths of the system: UTF-8 (on POSIX: the bytes the file system uses).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace slotkit::platform {

// Joins a folder and a name: "dir" + separator + "name".
std::string JoinPath(std::string_view folder, std::string_view name);
inline constexpr char kPathSeparator =
#ifdef _WIN32
    '\\';
#else
    '/';
#endif

// Where the last part of `path` (its file name) begins: after the last separator (on Windows
// also after '/' and a drive's ':').
inline std::size_t FileNameStart(std::string_view path) {
#ifdef _WIN32
    const auto cut = path.find_last_of("\\/:");
#else
    const auto cut = path.find_last_of(kPathSeparator);
#endif
    return cut == std::string_view::npos ? 0 : cut + 1;
}

}  // namespace slotkit::platform
