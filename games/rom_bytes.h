// Small helpers the ROM readers share: the byte span they read and little-endian fields.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace slotkit::games {

using ByteSpan = std::span<const std::uint8_t>;

inline std::uint16_t ReadU16(ByteSpan bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

inline std::uint32_t ReadU32(ByteSpan bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[at + 2]) << 16 |
           static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

}  // namespace slotkit::games
