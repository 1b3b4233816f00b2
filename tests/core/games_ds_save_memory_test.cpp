#include "games/ds_save_memory.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace slotkit::games {
namespace {

DsSaveKind KindNamed(const std::string& name) {
    if (name == "eeprom")
        return DsSaveKind::Eeprom;
    if (name == "flash")
        return DsSaveKind::Flash;
    if (name == "nand")
        return DsSaveKind::Nand;
    EXPECT_EQ(name, "none");
    return DsSaveKind::None;
}

// Every game of the data file is found in the built table with its kind and size, and the table
// holds nothing else.
TEST(DsSaveMemoryTest, EveryGameOfTheDataFileArrives) {
    std::ifstream file(SLOTKIT_DS_SAVE_SIZES);
    ASSERT_TRUE(file) << SLOTKIT_DS_SAVE_SIZES;
    std::string line;
    std::size_t games = 0;
    while (std::getline(file, line)) {
        if (line.empty() || line[0] == '#' || line.rfind("code\t", 0) == 0) {
            continue;
        }
        std::istringstream fields(line);
        std::string code, kind;
        std::uint32_t bytes = 0;
        fields >> code >> kind >> bytes;
        const auto memory = DsSaveMemoryOf(code);
        ASSERT_TRUE(memory) << code;
        EXPECT_EQ(*memory, (DsSaveMemory{KindNamed(kind), bytes})) << code;
        ++games;
    }
    EXPECT_EQ(games, 6775u);
    EXPECT_EQ(DsSaveListSize(), games);
}

TEST(DsSaveMemoryTest, KnownGamesOfEachKindTheEndsAndCodesNotListed) {
    EXPECT_EQ(DsSaveMemoryOf("AMCE"), (DsSaveMemory{DsSaveKind::Flash, 262144}));
    EXPECT_EQ(DsSaveMemoryOf("ADAE"), (DsSaveMemory{DsSaveKind::Flash, 524288}));
    EXPECT_EQ(DsSaveMemoryOf("A22E"), (DsSaveMemory{DsSaveKind::Eeprom, 8192}));
    EXPECT_EQ(DsSaveMemoryOf("A23E"), (DsSaveMemory{DsSaveKind::Nand, 8388608}));
    EXPECT_EQ(DsSaveMemoryOf("12ES"), (DsSaveMemory{DsSaveKind::Eeprom, 65536}));  // first
    EXPECT_EQ(DsSaveMemoryOf("YZZJ"), (DsSaveMemory{DsSaveKind::Eeprom, 512}));    // last
    for (const char* code : {"", "AMC", "AMCEX", "amce", "0000", "ZZZZ", "AMC\0"}) {
        EXPECT_FALSE(DsSaveMemoryOf(code)) << code;
    }
    EXPECT_FALSE(DsSaveMemoryOf(std::string_view("AMC\0", 4)));
}

TEST(DsSaveMemoryTest, TextNamesKindAndSizeInTheLargestWholeUnit) {
    EXPECT_EQ(DsSaveMemoryText({DsSaveKind::Flash, 262144}), "Flash 256 KiB");
    EXPECT_EQ(DsSaveMemoryText({DsSaveKind::Flash, 1048576}), "Flash 1 MiB");
    EXPECT_EQ(DsSaveMemoryText({DsSaveKind::Eeprom, 8192}), "EEPROM 8 KiB");
    EXPECT_EQ(DsSaveMemoryText({DsSaveKind::Eeprom, 512}), "EEPROM 512 B");
    EXPECT_EQ(DsSaveMemoryText({DsSaveKind::Nand, 8388608}), "NAND 8 MiB");
    EXPECT_EQ(DsSaveMemoryText({DsSaveKind::None, 0}), "no save");
}

}  // namespace
}  // namespace slotkit::games
