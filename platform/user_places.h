// The user's own folders that this program keeps its data in.
#pragma once

#include <string>
#include <system_error>

namespace slotkit::platform {

// The user's cache folder for this program: $XDG_CACHE_HOME/slotkit (~/.cache/slotkit when it is
// not set or not an absolute path) on POSIX systems, %LOCALAPPDATA%\slotkit\cache on Windows.
// It may not exist yet. Fails when the user has no home folder to put it in.
std::error_code UserCacheFolder(std::string& folder);

// The user's history folder: $XDG_DATA_HOME/slotkit/history (~/.local/share/slotkit/history
// when it is not set) on POSIX systems, %LOCALAPPDATA%\slotkit\history on Windows. Fails when
// the user has no home folder to put it in.
std::error_code DefaultHistoryFolder(std::string& folder);

}  // namespace slotkit::platform
