// The CRC16 that DS headers and banners carry.
#pragma once

#include <cstdint>

#include "games/rom_bytes.h"

namespace slotkit::games {

// Reflected polynomial 0xA001, initial value 0xFFFF, no final inversion. A listing checks one
// banner of every DS ROM on the card, so where the processor has a carry-less multiply, sixteen
// bytes are folded in a step; elsewhere Crc16ByTables does it.
std::uint16_t Crc16(ByteSpan bytes);

// The same CRC through tables, eight bytes a step.
std::uint16_t Crc16ByTables(ByteSpan bytes);

}  // namespace slotkit::games
