// Which mounted volumes may hold the card: removable disks, SD/MMC cards, and whatever the
// desktop mounted under /media or /run/media. The mount table itself comes from GIO
// (gio_mounts.h); the removable flag of a block device is read from /sys here, because GIO
// tells it only through the desktop's disk service, which a bare system or a terminal lacks.
#pragma once

#include <string>
#include <vector>

namespace slotkit::platform {

struct MountedVolume {
    std::string mountPath;   // as mounted, without a trailing '/'
    std::string majorMinor;  // the device number of the mounted file system, "8:17"
};

// The mount folders, each with a trailing '/', of the volumes that may hold a card, in the
// order given and each once. The block devices are judged by `sysRoot`/dev/block ("/sys"
// except in tests).
std::vector<std::string> RemovableRoots(const std::vector<MountedVolume>& mounts,
                                        const std::string& sysRoot);

}  // namespace slotkit::platform
