// The CRC16 that DS headers and banners carry.
#pragma once

#include <cstdint>

#include "games/rom_bytes.h"

namespace slotkit::games {

// Reflected polynomial 0xA001, initial value 0xFFFF, no final inversion.
std::uint16_t Crc16(ByteSpan bytes);

}  // namespace slotkit::games
