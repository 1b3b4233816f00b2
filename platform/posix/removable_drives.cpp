#include "platform/posix/removable_drives.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace slotkit::platform {

namespace {

namespace fs = std::filesystem;

std::string ReadFirstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

bool UnderDesktopMedia(const std::string& mountPoint) {
    return mountPoint.starts_with("/media/") || mountPoint.starts_with("/run/media/");
}

// The block device behind major:minor is removable when it, or the disk it is a partition of,
// says so, or when it is an SD/MMC card.
bool IsRemovableDevice(const std::string& sysRoot, const std::string& majorMinor) {
    std::error_code error;
    fs::path device = fs::canonical(fs::path(sysRoot) / "dev" / "block" / majorMinor, error);
    if (error) {
        return false;
    }
    if (fs::exists(device / "partition", error)) {
        device = device.parent_path();
    }
    return ReadFirstLine(device / "removable") == "1" ||
           device.filename().string().starts_with("mmcblk");
}

}  // namespace

std::vector<std::string> RemovableRoots(const std::vector<MountedVolume>& mounts,
                                        const std::string& sysRoot) {
    std::vector<std::string> roots;
    for (const MountedVolume& mount : mounts) {
        if (!UnderDesktopMedia(mount.mountPath) && !IsRemovableDevice(sysRoot, mount.majorMinor)) {
            continue;
        }
        std::string drive = mount.mountPath;
        if (drive.empty() || drive.back() != '/') {
            drive += '/';
        }
        if (std::find(roots.begin(), roots.end(), drive) == roots.end()) {
            roots.push_back(drive);
        }
    }
    return roots;
}

}  // namespace slotkit::platform
