// The header of a GBA ROM (.GBA), at the start of the file:
//
//   0x0A0  title, 12 ASCII bytes          0x0B2  0x96, fixed
//   0x0AC  game code, 4 ASCII bytes       0x0BD  complement check:
//   0x0B0  maker code, 2 ASCII bytes             -(0x19 + the sum of 0x0A0-0x0BC) mod 256
#pragma once

#include <cstdint>
#include <string>

#include "games/rom_bytes.h"

namespace slotkit::games {

// The bytes the reader needs: the header up to and including its complement check.
inline constexpr std::size_t kGbaHeaderSize = 0xC0;

struct GbaHeader {
    // The file ends before the header does; nothing else below is filled.
    bool cut = false;
    std::string title;     // safe text (see rom_text.h); empty when the field is blank
    std::string gameCode;  // "BSKE"
    std::string makerCode;
    bool fixedByteOk = false;
    std::uint8_t storedComplement = 0;
    std::uint8_t computedComplement = 0;
    bool complementOk = false;
};

GbaHeader ReadGbaHeader(ByteSpan start);

}  // namespace slotkit::games
