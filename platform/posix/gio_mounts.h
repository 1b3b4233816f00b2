// The mounted volumes as GIO tells them: the system's mount table, and the mounts the
// desktop's volume monitor manages (through its disk service, where one runs).
#pragma once

#include <gio/gio.h>

#include <string>
#include <vector>

namespace slotkit::platform {

struct UnixMount {
    std::string mountPath;   // without a trailing '/'
    std::string devicePath;  // "/dev/sdb1", or a name such as "tmpfs"
    std::string rootPath;    // the folder of the device's file system that is mounted there
    std::string majorMinor;  // "8:17" for a block device; empty otherwise
};

// The system's mount table, in its order.
std::vector<UnixMount> UnixMounts();

// The mount folders of the desktop's mounts that sit on a removable or ejectable drive.
std::vector<std::string> DesktopRemovableMounts();

// The desktop's mount at `mountPath` with a reference the caller drops, or nullptr.
GMount* DesktopMountAt(const std::string& mountPath);

}  // namespace slotkit::platform
