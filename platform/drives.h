// The removable drives of the system.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace slotkit::platform {

// The removable drive roots, each ending in the separator ("E:\", "/media/user/CARD/").
std::vector<std::string> RemovableDrives();

// The serial number or UUID of the volume whose root folder `cardRoot` is; nothing when the
// folder is not a volume's root or the system does not tell it.
std::optional<std::string> VolumeId(const std::string& cardRoot);

}  // namespace slotkit::platform
