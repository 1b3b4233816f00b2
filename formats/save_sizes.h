// The sizes a save may have, and how much of a save is data rather than padding.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "formats/container_common.h"
#include "slots/slot_format.h"

namespace slotkit::formats {

// The sizes of a new NDS and of a new GBA save, smallest first.
inline constexpr std::array<std::uint64_t, 6> kNdsSaveSizes{512,   8192,   32768,
                                                            65536, 131072, 262144};
inline constexpr std::array<std::uint64_t, 5> kGbaSaveSizes{512, 8192, 32768, 65536, 131072};

// Whether a GBA save of `size` bytes is an EEPROM's.
constexpr bool IsEepromSize(std::size_t size) {
    return size == 512 || size == 8192;
}

// The save sizes a new file may have in `mode`, smallest first.
std::span<const std::uint64_t> NewFileSizes(slots::EditMode mode);

// The smallest size of NewFileSizes(mode) that holds every byte of `region` up to its last
// byte that differs from the region's final byte, when that final byte is 0x00 or 0xFF
// (otherwise the whole region).
std::uint64_t SuggestedSize(slots::EditMode mode, ByteSpan region);
// How many bytes of `region` from `size` on differ from its padding: the region's final byte
// when that is 0x00 or 0xFF, or else every byte counts. A save cut to `size` loses these.
std::size_t DataBytesPast(ByteSpan region, std::size_t size);

// Reverses the bytes of every 8-byte word: EEPROM saves are stored as big-endian words.
void ReverseEepromWords(std::vector<std::uint8_t>& save);

}  // namespace slotkit::formats
