// The header at the start of a DS ROM (.NDS):
//
//   0x000  title, 12 ASCII bytes          0x012  unit code: 0 DS, 2 DS and DSi, 3 DSi only
//   0x00C  game code, 4 ASCII bytes       0x068  banner offset, u32 (0: no banner)
//   0x010  maker code, 2 ASCII bytes      0x15E  CRC16 of 0x000-0x15D
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "games/rom_bytes.h"

namespace slotkit::games {

// The bytes the header reader needs: everything up to and including the header's CRC.
inline constexpr std::size_t kDsHeaderSize = 0x160;

enum class DsUnit { Ds, DsAndDsi, DsiOnly, Unknown };

struct DsHeader {
    // The file ends before the header does; nothing else below is filled.
    bool cut = false;
    std::string title;      // safe text (see rom_text.h); empty when the field is blank
    std::string gameCode;   // "ASKE"
    std::string makerCode;  // "01"
    std::uint8_t unitCodeByte = 0;
    DsUnit unit = DsUnit::Unknown;
    // Where the banner starts, when it starts at 0x200 or later and a banner fits in the file
    // (where the file's size is known: else the reader of the banner's bytes checks that).
    std::optional<std::uint32_t> bannerOffset;
    std::uint16_t storedCrc = 0;
    std::uint16_t computedCrc = 0;
    bool crcMatches = false;
};

// Reads the header from the first bytes of a ROM; `fileSize` is the whole file's size, which
// decides whether the banner the header points to is in the file. Without it, a listing that
// reads the banner anyway tells that by the bytes it gets (kDsBannerMinSize at least).
DsHeader ReadDsHeader(ByteSpan start, std::optional<std::uint64_t> fileSize);

}  // namespace slotkit::games
