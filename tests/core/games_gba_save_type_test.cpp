// Finding a GBA ROM's save type from its save library's ID strings, whole and in chunks.
#include <gtest/gtest.h>

#include <random>

#include "fuzz/games_harness.h"
#include "games/gba_save_type.h"
#include "rom_images.h"

namespace slotkit::test {
namespace {

using namespace roms;
using games::GbaSaveKind;
using K = GbaSaveKind;

std::string Describe(const games::GbaSaveType& type) {
    return std::to_string(static_cast<int>(type.kind)) + " " + std::to_string(type.size) + " '" +
           type.libraryId + "' @" + std::to_string(type.offset) +
           (type.conflicting ? " conflicting" : "") + (type.hasClock ? " clock" : "");
}

games::GbaSaveType ScanInChunks(const Bytes& rom, const std::vector<std::size_t>& sizes) {
    games::GbaSaveTypeScanner scanner;
    std::size_t at = 0;
    for (std::size_t i = 0; at < rom.size(); ++i) {
        const std::size_t size = std::min(sizes[i % sizes.size()], rom.size() - at);
        scanner.Feed(games::ByteSpan(rom).subspan(at, size));
        at += size;
    }
    return scanner.Finish();
}

// ROM code and data without an underscore, with `ids` written at their offsets.
Bytes RomWith(std::size_t size, const std::vector<std::pair<std::size_t, std::string>>& ids) {
    Bytes rom(size);
    for (std::size_t i = 0; i < size; ++i) {
        rom[i] = static_cast<std::uint8_t>((i * 37 + i / 256) % 0x5F);
    }
    for (const auto& [at, text] : ids) {
        Put(rom, at, text);
    }
    return rom;
}

TEST(ScanGbaSaveType, EachIdAndWhatDecides) {
    struct Case {
        const char* what;
        std::vector<std::pair<std::size_t, std::string>> ids;
        std::string expected;  // as Describe() gives it
    };
    const std::size_t end = 0x10000;
    const Case cases[] = {
        {"none", {}, "0 0 '' @0"},
        {"EEPROM: the size is not given", {{0x1000, "EEPROM_V124"}}, "1 0 'EEPROM_V124' @4096"},
        {"SRAM", {{0x1000, "SRAM_V113"}}, "2 32768 'SRAM_V113' @4096"},
        {"FRAM", {{0x1000, "SRAM_F_V100"}}, "2 32768 'SRAM_F_V100' @4096"},
        {"64 KiB flash", {{0x1000, "FLASH_V126"}}, "3 65536 'FLASH_V126' @4096"},
        {"64 KiB flash, 512", {{0x1000, "FLASH512_V131"}}, "3 65536 'FLASH512_V131' @4096"},
        {"128 KiB flash", {{0x1000, "FLASH1M_V103"}}, "4 131072 'FLASH1M_V103' @4096"},
        {"an ID not on a word boundary is no ID", {{0x1001, "FLASH1M_V103"}}, "0 0 '' @0"},
        {"nor at two bytes past one", {{0x1002, "SRAM_V113"}}, "0 0 '' @0"},
        {"the clock alone", {{0x800, "SIIRTC_V001"}}, "0 0 '' @0 clock"},
        {"the clock with flash",
         {{0x800, "SIIRTC_V001"}, {0x1000, "FLASH1M_V103"}},
         "4 131072 'FLASH1M_V103' @4096 clock"},
        {"two kinds: the first in the ROM decides",
         {{0x2000, "SRAM_V113"}, {0x1000, "EEPROM_V124"}},
         "1 0 'EEPROM_V124' @4096 conflicting"},
        {"two IDs of one kind do not conflict",
         {{0x2000, "FLASH512_V131"}, {0x1000, "FLASH_V126"}},
         "3 65536 'FLASH_V126' @4096"},
        {"at the very start", {{0, "SRAM_V113"}}, "2 32768 'SRAM_V113' @0"},
        {"the last bytes of the ROM, no digits", {{end - 8, "EEPROM_V"}}, "1 0 'EEPROM_V' @65528"},
        {"cut by the end of the ROM", {{end - 4, "SRAM"}}, "0 0 '' @0"},
        {"version digits stop at a letter",
         {{0x1000, "FLASH1M_V1x3"}},
         "4 131072 'FLASH1M_V1' @4096"},
        {"at most three digits", {{0x1000, "SRAM_V12345"}}, "2 32768 'SRAM_V123' @4096"},
        {"a near miss", {{0x1000, "EEPROM_X124"}, {0x1100, "FLASH2M_V1"}}, "0 0 '' @0"},
        {"an ID inside another's place", {{0x1000, "SRAM_SRAM_V1"}}, "0 0 '' @0"},
    };
    const std::vector<std::vector<std::size_t>> chunkings = {
        {end}, {1}, {2}, {3}, {5}, {12}, {13}, {14}, {4095}, {4096}, {1, 4093, 7, 11}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes rom = RomWith(end, c.ids);
        EXPECT_EQ(Describe(games::ScanGbaSaveType(rom)), c.expected);
        for (const auto& sizes : chunkings) {
            EXPECT_EQ(Describe(ScanInChunks(rom, sizes)), c.expected) << "chunks of " << sizes[0];
        }
    }
}

TEST(ScanGbaSaveType, ShortAndEmptyRoms) {
    EXPECT_EQ(Describe(games::ScanGbaSaveType({})), "0 0 '' @0");
    games::GbaSaveTypeScanner nothingFed;
    EXPECT_EQ(Describe(nothingFed.Finish()), "0 0 '' @0");
    const Bytes sram = RomWith(6, {{0, "SRAM_V"}});
    EXPECT_EQ(Describe(games::ScanGbaSaveType(sram)), "2 32768 'SRAM_V' @0");
    EXPECT_EQ(Describe(ScanInChunks(sram, {1})), "2 32768 'SRAM_V' @0");
    games::GbaSaveTypeScanner empties;
    empties.Feed({});
    empties.Feed(sram);
    empties.Feed({});
    EXPECT_EQ(Describe(empties.Finish()), "2 32768 'SRAM_V' @0");
}

TEST(ScanGbaSaveType, ChunkedScanAgreesWithThePlainOneOnRandomRoms) {
    std::mt19937 random(19);
    const std::string_view pieces[] = {"EEPROM_V",   "SRAM_V",    "SRAM_F_V", "FLASH_V",
                                       "FLASH512_V", "FLASH1M_V", "SIIRTC_V", "_V",
                                       "_",          "1",         "FLASH"};
    for (int round = 0; round < 300; ++round) {
        Bytes rom(std::uniform_int_distribution<std::size_t>(0, 6000)(random));
        for (auto& byte : rom) {
            byte = static_cast<std::uint8_t>(random() % 4 == 0 ? (random() % 2 ? '_' : 'V')
                                                               : random());
        }
        const int count = static_cast<int>(random() % 6);
        for (int i = 0; i < count && !rom.empty(); ++i) {
            const std::string_view piece = pieces[random() % std::size(pieces)];
            const std::size_t at = random() % rom.size();
            std::copy_n(piece.begin(), std::min(piece.size(), rom.size() - at), rom.begin() + at);
        }
        std::vector<std::size_t> sizes;
        for (int i = 0; i < 8; ++i) {
            // Small pieces cut IDs apart; large ones hold whole blocks of words.
            sizes.push_back(random() % 2 ? 1 + random() % 40 : 200 + random() % 1000);
        }
        const std::string expected = Describe(fuzz::PlainGbaSaveTypeScan(rom.data(), rom.size()));
        ASSERT_EQ(Describe(games::ScanGbaSaveType(rom)), expected) << round;
        ASSERT_EQ(Describe(ScanInChunks(rom, sizes)), expected) << round;
    }
}

}  // namespace
}  // namespace slotkit::test
