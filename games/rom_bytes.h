// What the ROM readers share: the byte span they read, and little-endian fields (base/).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "base/little_endian.h"

namespace slotkit::games {

using ByteSpan = std::span<const std::uint8_t>;

}  // namespace slotkit::games
