// Finding the cards on Windows: the removable drives from C:\ to Z:\.
#include "platform/drives.h"
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

}  // namespace slotkit::platform
