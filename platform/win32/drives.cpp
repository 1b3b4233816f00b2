// The removable drives from C:\ to Z:\, and the volume a card's root folder is, named by its
// serial number (Windows).
#include <cstdio>
#include <cwctype>
#include <vector>

#include "platform/at_once.h"
#include "platform/drives.h"
#include "platform/paths.h"
#include "platform/staged_files.h"
#include "platform/user_places.h"
#include "platform/win32/win32_util.h"

namespace slotkit::platform {

std::vector<std::string> RemovableDrives() {
    std::vector<std::string> roots;
    for (char letter = 'C'; letter <= 'Z'; ++letter) {
        const wchar_t root[] = {static_cast<wchar_t>(letter), L':', L'\\', L'\0'};
        if (::GetDriveTypeW(root) == DRIVE_REMOVABLE) {
            roots.push_back(std::string{letter, ':', '\\'});
        }
    }
    return roots;
}

std::optional<std::string> VolumeId(const std::string& cardRoot) {
    const auto wide = Widen(cardRoot);
    if (!wide || wide->empty()) {
        return std::nullopt;
    }
    // Only the root of a volume stands for the volume; a folder inside one does not.
    wchar_t volumeRoot[MAX_PATH + 1];
    if (!::GetVolumePathNameW(wide->c_str(), volumeRoot, MAX_PATH + 1)) {
        return std::nullopt;
    }
    auto trimmed = [](std::wstring path) {
        while (!path.empty() && IsSeparator(path.back())) {
            path.pop_back();
        }
        for (wchar_t& c : path) {
            c = static_cast<wchar_t>(::towupper(c));
        }
        return path;
    };
    if (trimmed(volumeRoot) != trimmed(*wide)) {
        return std::nullopt;
    }
    DWORD serial = 0;
    if (!::GetVolumeInformationW(volumeRoot, nullptr, 0, &serial, nullptr, nullptr, nullptr, 0)) {
        return std::nullopt;
    }
    char text[16];
    std::snprintf(text, sizeof text, "%04lX-%04lX", static_cast<unsigned long>(serial >> 16),
                  static_cast<unsigned long>(serial & 0xffff));
    return std::string(text);
}

}  // namespace slotkit::platform
