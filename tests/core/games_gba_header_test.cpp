// Reading the header of a GBA ROM.
#include <gtest/gtest.h>

#include "games/gba_header.h"
#include "rom_images.h"

namespace slotkit::test {
namespace {

using namespace roms;

// A header written out from the format's table, with the complement a ROM tool gives it.
TEST(ReadGbaHeader, ReadsARealWorldLayout) {
    Bytes rom(0x200, 0);
    PutU32(rom, 0x000, 0xEA00002E);  // the branch to the code behind the header
    Put(rom, 0x0A0, "SLOTKITDEMO");
    Put(rom, 0x0AC, "BSKE");
    Put(rom, 0x0B0, "01");
    rom[0x0B2] = 0x96;
    rom[0x0BD] = 0x7C;
    const games::GbaHeader header = games::ReadGbaHeader(rom);
    EXPECT_FALSE(header.cut);
    EXPECT_EQ(header.title, "SLOTKITDEMO");
    EXPECT_EQ(header.gameCode, "BSKE");
    EXPECT_EQ(header.makerCode, "01");
    EXPECT_TRUE(header.fixedByteOk);
    EXPECT_EQ(header.computedComplement, 0x7C);
    EXPECT_TRUE(header.complementOk);
}

TEST(ReadGbaHeader, ChecksAndFields) {
    auto withByte = [](Bytes rom, std::size_t at, std::uint8_t value) {
        rom[at] = value;
        return rom;
    };
    const Bytes plain = GbaHeaderBytes("GAME", "BGME", "01");
    struct Case {
        const char* what;
        Bytes rom;
        std::string title;
        std::string code;
        bool fixedByteOk;
        bool complementOk;
    };
    const Case cases[] = {
        {"a short title", plain, "GAME", "BGME", true, true},
        {"twelve characters", GbaHeaderBytes("TWELVE CHARS", "BTWE", "01"), "TWELVE CHARS", "BTWE",
         true, true},
        {"the fixed byte wrong", withByte(plain, 0xB2, 0x00), "GAME", "BGME", false, false},
        {"a title byte changed", withByte(plain, 0xA1, 'X'), "GXME", "BGME", true, false},
        {"the last covered byte changed", withByte(plain, 0xBC, 1), "GAME", "BGME", true, false},
        {"the complement changed", withByte(plain, 0xBD, plain[0xBD] + 1), "GAME", "BGME", true,
         false},
        {"bytes behind the check are not covered", withByte(plain, 0xBE, 0x77), "GAME", "BGME",
         true, true},
        {"junk in the title", GbaHeaderBytes("\x01\xFF\x41", "B\tGE", "01"), "\uFFFD\uFFFDA",
         "B\uFFFDGE", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const games::GbaHeader header = games::ReadGbaHeader(c.rom);
        EXPECT_FALSE(header.cut);
        EXPECT_EQ(header.title, c.title);
        EXPECT_EQ(header.gameCode, c.code);
        EXPECT_EQ(header.fixedByteOk, c.fixedByteOk);
        EXPECT_EQ(header.complementOk, c.complementOk);
    }
}

TEST(ReadGbaHeader, ACutHeaderSaysSo) {
    const Bytes rom = GbaHeaderBytes("GAME", "BGME", "01");
    for (const std::size_t size : {std::size_t{0}, std::size_t{0xA4}, std::size_t{0xBF}}) {
        const games::GbaHeader header = games::ReadGbaHeader(games::ByteSpan(rom).first(size));
        EXPECT_TRUE(header.cut) << size;
        EXPECT_EQ(header.title, "") << size;
    }
}

}  // namespace
}  // namespace slotkit::test
