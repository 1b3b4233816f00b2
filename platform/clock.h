// The system's clock and time zone.
#pragma once

#include <ctime>

namespace slotkit::platform {

// `seconds` since 1970 as the user's local time; false when the system cannot tell it.
inline bool ToLocalTime(std::time_t seconds, std::tm& local) {
#ifdef _WIN32
    return ::localtime_s(&local, &seconds) == 0;
#else
    return ::localtime_r(&seconds, &local) != nullptr;
#endif
}

}  // namespace slotkit::platform
