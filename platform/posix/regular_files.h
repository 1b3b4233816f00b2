// Regular files on POSIX systems told apart from folders, FIFOs and devices, and opened by
// descriptor: shared by the reading and the writing of files.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>

#include <string>
#include <system_error>

#include "platform/posix/unique_fd.h"

namespace slotkit::platform {

// O_NONBLOCK keeps a FIFO or device named like a slot from blocking the open; it changes
// nothing for regular files.
inline constexpr int kOpenFlags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;

// True when `path` (a link followed) is a regular file; `st` then describes it.
bool StatRegular(const std::string& path, struct stat& st);

// Opens an existing regular file for reading; a folder or anything else that is not a regular
// file fails.
std::error_code OpenRegularForReading(const std::string& path, UniqueFd& fd, struct stat& st);

// Opens an existing regular file for writing, without truncating it.
std::error_code OpenRegularForWriting(const std::string& path, UniqueFd& fd, struct stat& st);

}  // namespace slotkit::platform
