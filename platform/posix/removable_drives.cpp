#include "platform/posix/removable_drives.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace slotkit::platform {

namespace {

namespace fs = std::filesystem;

// mountinfo writes space, tab, newline and backslash as three-digit octal escapes.
std::string DecodeMountPath(const std::string& field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const std::string digits = field.substr(i + 1, 3);
            if (std::all_of(digits.begin(), digits.end(),
                            [](char c) { return c >= '0' && c <= '7'; })) {
                out += static_cast<char>(std::stoi(digits, nullptr, 8));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

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

std::vector<std::string> RemovableDrivesUnder(const std::string& procRoot,
                                              const std::string& sysRoot) {
    std::vector<std::string> roots;
    std::ifstream mountinfo(fs::path(procRoot) / "self" / "mountinfo");
    std::string line;
    while (std::getline(mountinfo, line)) {
        std::istringstream fields(line);
        std::string id, parent, majorMinor, root, mountPointField;
        if (!(fields >> id >> parent >> majorMinor >> root >> mountPointField)) {
            continue;
        }
        const std::string mountPoint = DecodeMountPath(mountPointField);
        if (!UnderDesktopMedia(mountPoint) && !IsRemovableDevice(sysRoot, majorMinor)) {
            continue;
        }
        std::string drive = mountPoint;
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
