// The run-length coding of .DST files. The coded data starts at offset 516 with a marker byte
// M and is read as items:
//
//   M N V              a run: N + 1 copies of V (N and V may be any byte, M or 0x00 too)
//   00 x  (x != 00)    one 0x00; x begins the next item (a 00 at the end of the file too)
//   00 00 B (B != 00)  a block boundary: B and five more bytes are skipped, the next byte is
//                      the marker from then on
//   00 00 00           the end; anything behind it is ignored
//   any other byte     itself
//
// The marker test comes first, so with M = 0x00 every zero byte starts a run. The end of the
// file ends the decoding too; an item cut short by it gives nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace slotkit::formats {

inline constexpr std::size_t kDstMarkerOffset = 516;
// The decoder's output buffer holds this many bytes and never grows.
inline constexpr std::size_t kDstCapacity = 0xFFFBF;  // 1,048,511

struct DecodedDst {
    std::unique_ptr<std::uint8_t[]> buffer;  // kDstCapacity bytes, of which `length` are decoded
    std::size_t length = 0;
    // The data decodes to more than kDstCapacity bytes: the buffer is full and the rest of the
    // file was not decoded.
    bool capacityReached = false;

    std::span<const std::uint8_t> Bytes() const { return {buffer.get(), length}; }
};

// Decodes the whole .DST file `file` (header included). Damaged data decodes to whatever its
// bytes give under the rules above, possibly nothing; there is no error result.
DecodedDst DecodeDst(std::span<const std::uint8_t> file);

}  // namespace slotkit::formats
