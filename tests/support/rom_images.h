// ROM headers and banners built in memory for the readers' tests, their checksums computed as a
// ROM maker's tool does.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "games/crc16.h"

namespace slotkit::test::roms {

using Bytes = std::vector<std::uint8_t>;

inline void Put(Bytes& bytes, std::size_t at, std::string_view text) {
    std::copy(text.begin(), text.end(), bytes.begin() + at);
}

inline void PutU16(Bytes& bytes, std::size_t at, unsigned value) {
    bytes[at] = static_cast<std::uint8_t>(value);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

inline void PutU32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    PutU16(bytes, at, value & 0xFFFF);
    PutU16(bytes, at + 2, value >> 16);
}

inline std::uint16_t CrcOf(const Bytes& bytes, std::size_t from, std::size_t to) {
    return games::Crc16(games::ByteSpan(bytes).subspan(from, to - from));
}

// A DS ROM's first 0x200 bytes with a correct header CRC.
inline Bytes DsHeaderBytes(std::string_view title, std::string_view code, std::string_view maker,
                           std::uint8_t unit, std::uint32_t bannerOffset) {
    Bytes rom(0x200, 0);
    Put(rom, 0x000, title.substr(0, 12));
    Put(rom, 0x00C, code.substr(0, 4));
    Put(rom, 0x010, maker.substr(0, 2));
    rom[0x012] = unit;
    PutU32(rom, 0x068, bannerOffset);
    PutU16(rom, 0x15E, CrcOf(rom, 0, 0x15E));
    return rom;
}

// A GBA ROM's first 0xC0 bytes with the fixed byte and a correct complement check.
inline Bytes GbaHeaderBytes(std::string_view title, std::string_view code, std::string_view maker) {
    Bytes rom(0xC0, 0);
    Put(rom, 0xA0, title.substr(0, 12));
    Put(rom, 0xAC, code.substr(0, 4));
    Put(rom, 0xB0, maker.substr(0, 2));
    rom[0xB2] = 0x96;
    unsigned sum = 0x19;
    for (std::size_t i = 0xA0; i <= 0xBC; ++i) {
        sum += rom[i];
    }
    rom[0xBD] = static_cast<std::uint8_t>(0u - sum);
    return rom;
}

inline std::size_t DsBannerSizeOf(unsigned version) {
    switch (version) {
        case 2:
            return 0x940;
        case 3:
            return 0xA40;
        case 0x0103:
            return 0x23C0;
        default:
            return 0x840;
    }
}

// Writes `units` as a banner title of language `language`.
inline void PutTitle(Bytes& banner, std::size_t language, const std::u16string& units) {
    for (std::size_t i = 0; i < units.size() && i < 128; ++i) {
        PutU16(banner, 0x240 + 0x100 * language + 2 * i, units[i]);
    }
}

// Sets the CRCs that `version` carries.
inline void SealDsBanner(Bytes& banner, unsigned version) {
    PutU16(banner, 0x02, CrcOf(banner, 0x20, 0x840));
    if (version == 2 || version == 3 || version == 0x0103) {
        PutU16(banner, 0x04, CrcOf(banner, 0x20, 0x940));
    }
    if (version == 3 || version == 0x0103) {
        PutU16(banner, 0x06, CrcOf(banner, 0x20, 0xA40));
    }
    if (version == 0x0103) {
        PutU16(banner, 0x08, CrcOf(banner, 0x1240, 0x23C0));
    }
}

// A banner of `version` whose title in every language it has is "<language number> <title>".
inline Bytes DsBannerBytes(unsigned version, const std::u16string& title) {
    Bytes banner(DsBannerSizeOf(version), 0);
    PutU16(banner, 0, version);
    const std::size_t languages = banner.size() >= 0xA40 ? 8 : banner.size() >= 0x940 ? 7 : 6;
    for (std::size_t language = 0; language < languages; ++language) {
        PutTitle(banner, language, static_cast<char16_t>(u'0' + language) + (u" " + title));
    }
    SealDsBanner(banner, version);
    return banner;
}

}  // namespace slotkit::test::roms
