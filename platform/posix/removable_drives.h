// Finding the mounted cards: removable disks, SD/MMC cards, and whatever the desktop mounted
// under /media or /run/media.
#pragma once

#include <string>
#include <vector>

namespace slotkit::platform {

// The mount points, each with a trailing '/', read from `procRoot`/self/mountinfo and judged
// by `sysRoot`/dev/block. The roots are "/proc" and "/sys" except in tests.
std::vector<std::string> RemovableDrivesUnder(const std::string& procRoot,
                                              const std::string& sysRoot);

}  // namespace slotkit::platform
