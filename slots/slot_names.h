// The rules for slot file names that the user types or chooses.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace slotkit::slots {

// Paths must fit the cartridge's 260-byte path buffer, terminator included.
inline constexpr std::size_t kMaxPathBytes = 259;

// Appends ".DAT" to a name that holds no dot at all; a name with a dot stays as typed.
std::string WithDatExtension(std::string_view name);

// True when `name` ends in ".DAT" in any letter case, so that the listing shows it.
bool HasDatExtension(std::string_view name);

// Why `fileName` cannot be used as the name of a slot file in `folder`, or nothing when it can:
// it must be a plain file name (no separators, not "." or "..", no control characters or
// <>:"|?*), end in ".DAT" in any letter case after a name that is not empty or only blanks,
// and the joined path must fit kMaxPathBytes.
std::optional<std::string> RefuseFileName(std::string_view folder, std::string_view fileName);

}  // namespace slotkit::slots
