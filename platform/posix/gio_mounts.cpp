#include "platform/posix/gio_mounts.h"

#include <gio/gunixmounts.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace slotkit::platform {

namespace {

std::string Text(const char* text) {
    return text != nullptr ? std::string(text) : std::string();
}

std::string WithoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

// The local folder of a mount's root; empty for a mount without one.
std::string RootFolder(GMount* mount) {
    GFile* root = g_mount_get_root(mount);
    char* path = g_file_get_path(root);
    std::string folder = WithoutTrailingSlash(Text(path));
    g_free(path);
    g_object_unref(root);
    return folder;
}

bool OnRemovableDrive(GMount* mount) {
    if (g_mount_can_eject(mount)) {
        return true;
    }
    GDrive* drive = g_mount_get_drive(mount);
    if (drive == nullptr) {
        return false;
    }
    const bool removable = g_drive_is_removable(drive) || g_drive_is_media_removable(drive);
    g_object_unref(drive);
    return removable;
}

}  // namespace

std::vector<UnixMount> UnixMounts() {
    std::vector<UnixMount> mounts;
    GList* entries = g_unix_mounts_get(nullptr);
    for (GList* at = entries; at != nullptr; at = at->next) {
        auto* entry = static_cast<GUnixMountEntry*>(at->data);
        UnixMount mount{WithoutTrailingSlash(Text(g_unix_mount_get_mount_path(entry))),
                        Text(g_unix_mount_get_device_path(entry)),
                        Text(g_unix_mount_get_root_path(entry)), ""};
        struct stat device;
        if (mount.devicePath.starts_with("/") && ::stat(mount.devicePath.c_str(), &device) == 0 &&
            S_ISBLK(device.st_mode)) {
            mount.majorMinor =
                std::to_string(major(device.st_rdev)) + ":" + std::to_string(minor(device.st_rdev));
        }
        mounts.push_back(std::move(mount));
        g_unix_mount_free(entry);
    }
    g_list_free(entries);
    return mounts;
}

std::vector<std::string> DesktopRemovableMounts() {
    std::vector<std::string> folders;
    GVolumeMonitor* monitor = g_volume_monitor_get();
    GList* mounts = g_volume_monitor_get_mounts(monitor);
    for (GList* at = mounts; at != nullptr; at = at->next) {
        auto* mount = static_cast<GMount*>(at->data);
        if (std::string folder = RootFolder(mount); !folder.empty() && OnRemovableDrive(mount)) {
            folders.push_back(std::move(folder));
        }
    }
    g_list_free_full(mounts, g_object_unref);
    g_object_unref(monitor);
    return folders;
}

GMount* DesktopMountAt(const std::string& mountPath) {
    GMount* found = nullptr;
    GVolumeMonitor* monitor = g_volume_monitor_get();
    GList* mounts = g_volume_monitor_get_mounts(monitor);
    for (GList* at = mounts; at != nullptr; at = at->next) {
        auto* mount = static_cast<GMount*>(at->data);
        if (found == nullptr && RootFolder(mount) == WithoutTrailingSlash(mountPath)) {
            found = static_cast<GMount*>(g_object_ref(mount));
        }
    }
    g_list_free_full(mounts, g_object_unref);
    g_object_unref(monitor);
    return found;
}

}  // namespace slotkit::platform
