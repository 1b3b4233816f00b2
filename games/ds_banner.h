// The banner of a DS ROM, at the offset its header gives:
//
//   0x000  version, u16: 1; 2 adds a Chinese title; 3 adds a Korean one; 0x0103 adds the DSi
//          animated icon
//   0x002  CRC16 of 0x020-0x83F       0x006  CRC16 of 0x020-0xA3F (version 3 and up)
//   0x004  CRC16 of 0x020-0x93F       0x008  CRC16 of 0x1240-0x23BF (version 0x0103)
//          (version 2 and up)
//   0x020  the 32x32 icon: 4 bits a pixel, 4x4 tiles of 8x8 pixels in row order, 32 bytes a
//          tile, the low nibble the left pixel
//   0x220  its palette: 16 BGR555 colours, colour 0 transparent
//   0x240  the titles: 128 UTF-16LE units each, one every 0x100 bytes, in the order of
//          DsLanguage; up to three lines split by line feeds
//
// A part whose CRC fails, or that the file cuts short, is not offered.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "games/rom_bytes.h"

namespace slotkit::games {

enum class DsLanguage { Japanese, English, French, German, Italian, Spanish, Chinese, Korean };
inline constexpr std::size_t kDsLanguageCount = 8;

// The smallest banner (version 1); a banner offset must leave room for it in the file.
inline constexpr std::size_t kDsBannerMinSize = 0x840;
// The most a banner holds (version 0x0103); a reader never needs more bytes than this.
inline constexpr std::size_t kDsBannerMaxSize = 0x23C0;
// The bytes up to the last title a banner can hold (version 3): all that shows a game's icon
// and titles; the DSi animated icon lies past them.
inline constexpr std::size_t kDsBannerShownSize = 0xA40;
inline constexpr int kDsIconSide = 32;

struct DsBannerCrc {
    bool present = false;  // the version has this CRC and the bytes it covers are there
    std::uint16_t stored = 0;
    std::uint16_t computed = 0;
    bool Passes() const { return present && stored == computed; }
};

struct DsBanner {
    // Fewer bytes than the smallest banner; nothing else below is filled.
    bool cut = false;
    std::uint16_t version = 0;
    // Titles, icon / Chinese / Korean, animated icon: the four CRCs in the order they are stored.
    std::array<DsBannerCrc, 4> crcs{};
    // 32x32 pixels, row by row, 4 bytes a pixel (red, green, blue, alpha); transparent pixels
    // are all zero.
    std::optional<std::vector<std::uint8_t>> iconRgba;
    // By DsLanguage: the title's lines (one to three), or nothing when the banner does not
    // offer that language.
    std::array<std::optional<std::vector<std::string>>, kDsLanguageCount> titles{};
    // The DSi animated icon's bytes pass their CRC (they are not decoded).
    bool animatedIconPasses = false;

    // The title in `preferred`, else in English, else in the first language offered; nullptr
    // when the banner offers none.
    const std::vector<std::string>* Title(DsLanguage preferred) const;
};

// Reads a banner from the bytes at the banner offset (as many of them as the file has, up to
// kDsBannerMaxSize).
DsBanner ReadDsBanner(ByteSpan banner);

// One part of a banner, for a listing of many ROMs that shows a title or an icon of each: only
// the CRCs that part lies behind are checked, and only that part is decoded. Each gives what
// ReadDsBanner gives for it.
// The title in `preferred`, else in English, else in the first language offered (DsBanner::Title).
std::optional<std::vector<std::string>> ReadDsBannerTitle(ByteSpan banner, DsLanguage preferred);
// The icon (DsBanner::iconRgba).
std::optional<std::vector<std::uint8_t>> ReadDsBannerIcon(ByteSpan banner);

}  // namespace slotkit::games
