// Reading the header of a DS ROM.
#include <gtest/gtest.h>

#include "games/crc16.h"
#include "games/ds_header.h"
#include "rom_images.h"

namespace slotkit::test {
namespace {

using namespace roms;
using games::DsUnit;

TEST(Crc16, MatchesTheStandardCheckValue) {
    const std::string_view check = "123456789";
    const Bytes bytes(check.begin(), check.end());
    EXPECT_EQ(games::Crc16(bytes), 0x4B37);
    EXPECT_EQ(games::Crc16({}), 0xFFFF);
}

// The CRC a bit at a time, as the format defines it.
std::uint16_t BitByBitCrc(games::ByteSpan bytes) {
    unsigned crc = 0xFFFF;
    for (const std::uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
        }
    }
    return static_cast<std::uint16_t>(crc);
}

// Both ways of computing it (folded sixteen bytes a step where the processor can, and by
// tables), at every length a banner's parts and more can have and at every alignment.
TEST(Crc16, EveryWayGivesTheBitByBitCrc) {
    Bytes bytes(0x1200 + 16);
    std::uint32_t seed = 12345;
    for (auto& byte : bytes) {
        seed = seed * 1103515245 + 12345;
        byte = static_cast<std::uint8_t>(seed >> 16);
    }
    const Bytes ones(0x1200 + 16, 0xFF);
    const Bytes zeros(0x1200 + 16, 0x00);
    for (const Bytes* data : std::initializer_list<const Bytes*>{&bytes, &ones, &zeros}) {
        for (std::size_t length = 0; length <= 0x240; ++length) {
            for (std::size_t offset = 0; offset < 16; offset += (length < 130 ? 1 : 5)) {
                const games::ByteSpan span(data->data() + offset, length);
                const std::uint16_t expected = BitByBitCrc(span);
                ASSERT_EQ(games::Crc16(span), expected) << length << " at " << offset;
                ASSERT_EQ(games::Crc16ByTables(span), expected) << length << " at " << offset;
            }
        }
        for (const std::size_t length : {0x820, 0x920, 0xA20, 0x1180, 0x15E}) {
            const games::ByteSpan span(data->data() + 3, length);
            ASSERT_EQ(games::Crc16(span), BitByBitCrc(span)) << length;
        }
    }
}

// A header written out field by field from the format's table, with the CRC a ROM tool gives it.
TEST(ReadDsHeader, ReadsARealWorldLayout) {
    Bytes rom(0x10000, 0);
    Put(rom, 0x000, "SLOTKITDEMO");
    Put(rom, 0x00C, "ASKE");
    Put(rom, 0x010, "01");
    rom[0x014] = 9;               // device capacity
    PutU32(rom, 0x020, 0x4000);   // ARM9 code offset
    PutU32(rom, 0x068, 0x8000);   // banner offset
    PutU32(rom, 0x080, 0x10000);  // ROM size used
    PutU32(rom, 0x084, 0x4000);   // header size
    PutU16(rom, 0x15E, 0xC8ED);
    const games::DsHeader header = games::ReadDsHeader(rom, rom.size());
    EXPECT_FALSE(header.cut);
    EXPECT_EQ(header.title, "SLOTKITDEMO");
    EXPECT_EQ(header.gameCode, "ASKE");
    EXPECT_EQ(header.makerCode, "01");
    EXPECT_EQ(header.unit, DsUnit::Ds);
    EXPECT_EQ(header.bannerOffset, 0x8000u);
    EXPECT_EQ(header.computedCrc, 0xC8ED);
    EXPECT_TRUE(header.crcMatches);
}

TEST(ReadDsHeader, Fields) {
    struct Case {
        const char* what;
        Bytes rom;
        std::optional<std::uint64_t> fileSize;
        std::string title;
        DsUnit unit;
        std::optional<std::uint32_t> banner;
        bool crcMatches;
    };
    auto withByte = [](Bytes rom, std::size_t at, std::uint8_t value) {
        rom[at] = value;
        return rom;
    };
    const Bytes plain = DsHeaderBytes("GAME", "AGME", "01", 0, 0x4000);
    const Case cases[] = {
        {"a short title, zero-filled", plain, 0x100000, "GAME", DsUnit::Ds, 0x4000, true},
        {"DS and DSi", DsHeaderBytes("TWL", "TWLE", "01", 2, 0x4000), 0x100000, "TWL",
         DsUnit::DsAndDsi, 0x4000, true},
        {"DSi only", DsHeaderBytes("TWL", "HWLE", "01", 3, 0x4000), 0x100000, "TWL",
         DsUnit::DsiOnly, 0x4000, true},
        {"a unit code of no unit", DsHeaderBytes("X", "XXXX", "01", 1, 0x4000), 0x100000, "X",
         DsUnit::Unknown, 0x4000, true},
        {"a full 12-character title, blanks behind it dropped",
         DsHeaderBytes("TWELVE CHA  ", "AGME", "01", 0, 0), 0x100000, "TWELVE CHA", DsUnit::Ds,
         std::nullopt, true},
        {"no banner", DsHeaderBytes("GAME", "AGME", "01", 0, 0), 0x100000, "GAME", DsUnit::Ds,
         std::nullopt, true},
        {"a banner inside the header", DsHeaderBytes("GAME", "AGME", "01", 0, 0x1FF), 0x100000,
         "GAME", DsUnit::Ds, std::nullopt, true},
        {"a banner right behind the header", DsHeaderBytes("GAME", "AGME", "01", 0, 0x200),
         0x200 + 0x840, "GAME", DsUnit::Ds, 0x200, true},
        {"a banner that ends one byte past the file", DsHeaderBytes("GAME", "AGME", "01", 0, 0x200),
         0x200 + 0x83F, "GAME", DsUnit::Ds, std::nullopt, true},
        {"a banner offset past the end", DsHeaderBytes("GAME", "AGME", "01", 0, 0xFFFFFFF0),
         0x100000, "GAME", DsUnit::Ds, std::nullopt, true},
        {"a size not known: the banner is checked by its reader",
         DsHeaderBytes("GAME", "AGME", "01", 0, 0xFFFFFFF0), std::nullopt, "GAME", DsUnit::Ds,
         0xFFFFFFF0, true},
        {"a size not known, a banner inside the header",
         DsHeaderBytes("GAME", "AGME", "01", 0, 0x1FF), std::nullopt, "GAME", DsUnit::Ds,
         std::nullopt, true},
        {"a changed byte fails the CRC, the fields stay", withByte(plain, 0x100, 1), 0x100000,
         "GAME", DsUnit::Ds, 0x4000, false},
        {"the CRC's own bytes changed", withByte(plain, 0x15F, plain[0x15F] ^ 0x80), 0x100000,
         "GAME", DsUnit::Ds, 0x4000, false},
        {"bytes past 0x15D are not covered", withByte(plain, 0x160, 0x55), 0x100000, "GAME",
         DsUnit::Ds, 0x4000, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const games::DsHeader header = games::ReadDsHeader(c.rom, c.fileSize);
        EXPECT_FALSE(header.cut);
        EXPECT_EQ(header.title, c.title);
        EXPECT_EQ(header.unit, c.unit);
        EXPECT_EQ(header.bannerOffset, c.banner);
        EXPECT_EQ(header.crcMatches, c.crcMatches);
    }
}

TEST(ReadDsHeader, JunkTitlesComeOutAsSafeText) {
    struct Case {
        std::string_view field;
        std::string title;
    };
    using namespace std::string_view_literals;
    const Case cases[] = {
        {"\x01\tTAB\x7F"sv, "\uFFFD\uFFFDTAB\uFFFD"},
        {"\xFF\xFE\x80"sv, "\uFFFD\uFFFD\uFFFD"},
        {"AB\0CD"sv, "AB"},
        {"            "sv, ""},
        {"\0\0\0\0"sv, ""},
    };
    for (const Case& c : cases) {
        Bytes rom = DsHeaderBytes("", "AGME", "01", 0, 0);
        Put(rom, 0, c.field);
        const games::DsHeader header = games::ReadDsHeader(rom, rom.size());
        EXPECT_EQ(header.title, c.title) << testing::PrintToString(c.field);
    }
}

TEST(ReadDsHeader, ACutHeaderSaysSo) {
    const Bytes rom = DsHeaderBytes("GAME", "AGME", "01", 0, 0x4000);
    for (const std::size_t size : {std::size_t{0}, std::size_t{0x12}, std::size_t{0x15F}}) {
        const Bytes start(rom.begin(), rom.begin() + size);
        const games::DsHeader header = games::ReadDsHeader(start, 0x100000);
        EXPECT_TRUE(header.cut) << size;
        EXPECT_EQ(header.title, "") << size;
    }
    // The whole header in memory, but the file itself is that short.
    EXPECT_TRUE(games::ReadDsHeader(rom, 0x100).cut);
    EXPECT_FALSE(games::ReadDsHeader(Bytes(rom.begin(), rom.begin() + 0x160), 0x160).cut);
}

}  // namespace
}  // namespace slotkit::test
