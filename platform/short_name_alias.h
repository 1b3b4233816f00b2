// The 8.3 short name rules of the FAT file system, for file systems that keep no short names.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace slotkit::platform {

// True when `name` already is a valid 8.3 name: 1 to 8 name characters, optionally one dot and
// 1 to 3 extension characters, all of them letters (either case), digits or $%'-_@~`!(){}^#&.
bool IsValidShortName(std::string_view name);

// The short name Windows gives a new file called `name` (UTF-8) that is not a valid 8.3 name:
// spaces and all but the last dot dropped, characters not allowed in a short name (and every
// non-ASCII character) made '_', letters upper case, then up to six name characters, "~1" and
// up to three extension characters. Nothing when no name character is left.
std::optional<std::string> GeneratedShortName(std::string_view name);

// The short form of a file name that has no short name of its own on the disk: the name itself
// when it is a valid 8.3 name, otherwise the generated one.
std::optional<std::string> ShortNameFor(std::string_view name);

}  // namespace slotkit::platform
