// The removable drives and the volume a card's root folder is, named by its serial number or
// UUID (POSIX).
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <tuple>
#include <utility>

#include "platform/at_once.h"
#include "platform/drives.h"
#include "platform/paths.h"
#include "platform/posix/gio_mounts.h"
#include "platform/posix/removable_drives.h"
#include "platform/posix/unique_fd.h"
#include "platform/staged_files.h"
#include "platform/user_places.h"

namespace slotkit::platform {

std::vector<std::string> RemovableDrives() {
    // The mount table from GIO, judged as removable here; then the desktop's own removable
    // mounts, which its disk service may know of where /sys does not tell.
    std::vector<MountedVolume> volumes;
    for (const UnixMount& mount : UnixMounts()) {
        volumes.push_back({mount.mountPath, mount.majorMinor});
    }
    std::vector<std::string> roots = RemovableRoots(volumes, "/sys");
    for (std::string folder : DesktopRemovableMounts()) {
        if (folder.back() != '/') {
            folder += '/';
        }
        if (std::find(roots.begin(), roots.end(), folder) == roots.end()) {
            roots.push_back(std::move(folder));
        }
    }
    return roots;
}

std::optional<std::string> VolumeId(const std::string& cardRoot) {
    struct stat root, parent;
    std::string up = cardRoot;
    while (up.size() > 1 && up.back() == '/') {
        up.pop_back();
    }
    up += "/..";
    if (::stat(cardRoot.c_str(), &root) != 0 || ::stat(up.c_str(), &parent) != 0) {
        return std::nullopt;
    }
    // Only the root of a mounted volume stands for the volume; a folder inside one does not.
    if (root.st_dev == parent.st_dev && root.st_ino != parent.st_ino) {
        return std::nullopt;
    }
    // The system names the block devices of volumes with a UUID (or a FAT serial number) there.
    const std::string byUuid = "/dev/disk/by-uuid";
    DIR* folder = ::opendir(byUuid.c_str());
    if (folder == nullptr) {
        return std::nullopt;
    }
    std::optional<std::string> id;
    while (const dirent* entry = ::readdir(folder)) {
        const std::string name = entry->d_name;
        struct stat device;
        if (name == "." || name == ".." || ::stat((byUuid + "/" + name).c_str(), &device) != 0) {
            continue;
        }
        if (S_ISBLK(device.st_mode) && device.st_rdev == root.st_dev) {
            id = name;
            break;
        }
    }
    ::closedir(folder);
    return id;
}

}  // namespace slotkit::platform
