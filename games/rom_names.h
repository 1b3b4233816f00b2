// The ROM names that a slot trailer stores, built from a ROM file's path.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "slots/slot_format.h"

namespace slotkit::games {

// The last component of a path (the file's name with its extension).
std::string_view FileNamePart(std::string_view path);

// The ROM short name in directory-entry form, built from the 8.3 short form of the ROM's path:
// the name part padded with blanks or cut to 8 characters, then the extension without its dot,
// all upper case. "GAME.nds" gives "GAME    NDS". This is the text the confirmation shows.
std::string ShortNameText(std::string_view shortForm);

// The first 11 bytes of a short name text, zero-filled behind a shorter text.
std::array<std::uint8_t, slots::kShortNameSize> ShortNameField(std::string_view shortNameText);

// The ROM long name field: the file's name as the path gives it, case kept, zero-filled behind
// a shorter name and cut to 33 bytes without a terminator.
std::array<std::uint8_t, slots::kLongNameSize> LongNameField(std::string_view romPath);

}  // namespace slotkit::games
