// `slotkit games`: the ROMs on the card with their slot files, then the slots whose game is gone.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "cli_test_support.h"
#include "platform/paths.h"
#include "rom_images.h"
#include "temp_card.h"

namespace slotkit::test {
namespace {

namespace fs = std::filesystem;
using namespace roms;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

fs::path CardDir(const TempCard& card) {
    const fs::path root = card.Dir() / "card";
    fs::create_directories(root);
    return root;
}

void WriteSlotFor(const TempCard& card, slots::EditMode mode, const std::string& name,
                  const std::string& shortName, const std::string& longName = "") {
    const slots::SlotLayout& layout = LayoutFor(mode);
    Bytes slot(layout.newFormSize, 0);
    Put(slot, layout.ShortNameOffset(), shortName);
    if (!longName.empty()) {
        slot[layout.LongNameFlagOffset()] = 1;
        Put(slot, layout.LongNameOffset(), longName);
    }
    card.MakeSaveFolder(mode);
    WriteFile(card.SlotFile(mode, name), slot);
}

Bytes DsRom(std::string_view title, std::string_view code, const std::u16string& bannerTitle) {
    Bytes rom = DsHeaderBytes(title, code, "01", 0, 0x200);
    const Bytes banner = DsBannerBytes(1, bannerTitle);
    rom.insert(rom.end(), banner.begin(), banner.end());
    return rom;
}

TEST(CliGames, PrintsTheRomsThenTheSlotsWithoutTheirGame) {
    TempCard card;
    const fs::path root = CardDir(card);
    fs::create_directories(root / "roms");
    WriteFile(root / "roms" / "QUEST.NDS", DsRom("QUEST", "AQSE", u"Quest\nPart two"));
    WriteFile(root / "GAME.NDS", DsRom("GAME", "AGME", u"Game"));
    WriteFile(root / "JUNK.NDS", Bytes(0x300, 0xFF));
    WriteSlotFor(card, slots::EditMode::Nds, "GAME.DAT", "GAME    NDS");
    WriteSlotFor(card, slots::EditMode::Nds, "GAME2.DAT", "GAME    NDS");
    WriteSlotFor(card, slots::EditMode::Nds, "GONE.DAT", "POKEMO~1NDS", "Pokemon.nds");
    WriteSlotFor(card, slots::EditMode::Nds, "BLANK.DAT", "");

    const CliRun run = RunCli({"-c", card.Root(), "games"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 4u) << run.out;
    // Slot files come in the file system's order; either order of the two is right.
    EXPECT_TRUE(lines[0] == "GAME.NDS\tAGME\t1 Game\tunknown\tGAME.DAT|GAME2.DAT" ||
                lines[0] == "GAME.NDS\tAGME\t1 Game\tunknown\tGAME2.DAT|GAME.DAT")
        << lines[0];
    EXPECT_EQ(lines[1], "JUNK.NDS\tunknown\tunknown\tunknown\t");
    EXPECT_EQ(lines[2], "roms" + std::string(1, platform::kPathSeparator) +
                            "QUEST.NDS\tAQSE\t1 Quest / Part two\tunknown\t");
    EXPECT_EQ(lines[3], "GONE.DAT\tPOKEMO~1.NDS\tPokemon.nds");
}

TEST(CliGames, GbaModeAndAnEmptyCard) {
    TempCard card;
    WriteFile(CardDir(card) / "ZELDA.GBA", GbaHeaderBytes("ZELDA", "BZLE", "01"));
    WriteSlotFor(card, slots::EditMode::Gba, "ZELDA.DAT", "ZELDA   GBA");
    WriteSlotFor(card, slots::EditMode::Gba, "MARIO.DAT", "MARIO   GBA");
    card.MakeSaveFolder(slots::EditMode::Nds);
    const CliRun gba = RunCli({"-c", card.Root(), "-m", "gba", "games"});
    EXPECT_EQ(gba.status, 0);
    EXPECT_EQ(Lines(gba.out),
              (std::vector<std::string>{"ZELDA.GBA\tBZLE\tZELDA\tunknown\tZELDA.DAT",
                                        "MARIO.DAT\tMARIO.GBA\t"}));
    const CliRun nds = RunCli({"-c", card.Root(), "games"});
    EXPECT_EQ(nds.status, 0);
    EXPECT_EQ(nds.out, "");
}

TEST(CliGames, FieldsStaySafeInTabSeparatedLines) {
    TempCard card;
    // A title, a code and a file name holding a tab must not split a line into more fields.
#ifdef _WIN32
    const std::string name = "A.GBA";  // Windows names hold no tab
    const std::string shown = name;
#else
    const std::string name = "A\tB.GBA";
    const std::string shown = "A\uFFFDB.GBA";
#endif
    WriteFile(CardDir(card) / name, GbaHeaderBytes("T\tTLE", "B\nCE", "01"));
    card.MakeSaveFolder(slots::EditMode::Gba);
    const CliRun run = RunCli({"-c", card.Root(), "-m", "gba", "games"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, shown + "\tB\uFFFDCE\tT\uFFFDTLE\tunknown\t\n");
}

TEST(CliGames, SaveTypesAreReadOnAskingAndRememberedForTheListing) {
    TempCard card;
    Bytes rom = GbaHeaderBytes("REMEMBERED", "BREM", "01");
    rom.resize(0x30000, 0xFF);
    Put(rom, 0x20000, "FLASH1M_V103");
    WriteFile(CardDir(card) / "REMEMBER.GBA", rom);
    WriteFile(CardDir(card) / "CUT.GBA", Bytes(0x10, 0));
    fs::create_directories(CardDir(card) / "FOLDER.GBA");
    WriteSlotFor(card, slots::EditMode::Gba, "REMEMBER.DAT", "REMEMBERGBA");

    const std::vector<std::string> listing{"REMEMBER.GBA\tBREM\tREMEMBERED\tunknown\tREMEMBER.DAT",
                                           "CUT.GBA\tunknown\tunknown\tunknown\t"};
    const std::vector<std::string> read{
        "REMEMBER.GBA\tBREM\tREMEMBERED\tFlash 128 KiB\tREMEMBER.DAT",
        "CUT.GBA\tunknown\tunknown\tno save\t"};
    auto sorted = [](std::vector<std::string> lines) {
        std::sort(lines.begin(), lines.end());
        return lines;
    };
    // The listing alone reads no whole ROM, so it knows no type yet.
    const CliRun first = RunCli({"-c", card.Root(), "-m", "gba", "games"});
    EXPECT_EQ(first.status, 0);
    EXPECT_EQ(sorted(Lines(first.out)), sorted(listing));
    const CliRun asked = RunCli({"-c", card.Root(), "-m", "gba", "games", "--save-types"});
    EXPECT_EQ(asked.status, 0);
    EXPECT_EQ(asked.err, "");
    EXPECT_EQ(sorted(Lines(asked.out)), sorted(read));
    const CliRun later = RunCli({"-c", card.Root(), "-m", "gba", "games"});
    EXPECT_EQ(sorted(Lines(later.out)), sorted(read));
    // The DS listing has no save types to read.
    card.MakeSaveFolder(slots::EditMode::Nds);
    const CliRun nds = RunCli({"-c", card.Root(), "games", "--save-types"});
    EXPECT_EQ(nds.status, 0);
}

// A DS game's save memory comes from the list of DS games by its code; a save larger than a slot
// is said so in the same field.
TEST(CliGames, DsSaveMemoryFromTheListOfGames) {
    TempCard card;
    const fs::path root = CardDir(card);
    WriteFile(root / "A.NDS", DsRom("KART", "AMCE", u"Kart"));
    WriteFile(root / "B.NDS", DsRom("PUZZLE", "A22E", u"Puzzle"));
    WriteFile(root / "C.NDS", DsRom("DIAMOND", "ADAE", u"Diamond"));
    WriteFile(root / "D.NDS", DsRom("BIGSAVE", "A23E", u"Big save"));
    WriteFile(root / "E.NDS", DsRom("NOSAVE", "A36J", u"No save"));
    WriteFile(root / "F.NDS", DsRom("HOMEBREW", "AGME", u"Homebrew"));
    // A header that fails its check is not trusted: its code is not looked up.
    Bytes broken = DsRom("KART", "AMCE", u"Kart");
    broken[0] ^= 1;
    WriteFile(root / "G.NDS", broken);
    WriteSlotFor(card, slots::EditMode::Nds, "DIAMOND.DAT", "C       NDS");

    const CliRun run = RunCli({"-c", card.Root(), "games"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    const std::vector<std::string> expected{
        "A.NDS\tAMCE\t1 Kart\tFlash 256 KiB\t",
        "B.NDS\tA22E\t1 Puzzle\tEEPROM 8 KiB\t",
        "C.NDS\tADAE\t1 Diamond\tFlash 512 KiB (a slot holds 256 KiB)\tDIAMOND.DAT",
        "D.NDS\tA23E\t1 Big save\tNAND 8 MiB (a slot holds 256 KiB)\t",
        "E.NDS\tA36J\t1 No save\tno save\t",
        "F.NDS\tAGME\t1 Homebrew\tunknown\t",
        "G.NDS\tunknown\tunknown\tunknown\t",
    };
    EXPECT_EQ(Lines(run.out), expected);
}

// A GBA game's code is not a DS game's: the GBA listing never takes a save from the DS list.
TEST(CliGames, GbaRomWithTheCodeOfADsGameKeepsItsUnknownType) {
    TempCard card;
    WriteFile(CardDir(card) / "KART.GBA", GbaHeaderBytes("KART", "AMCE", "01"));
    card.MakeSaveFolder(slots::EditMode::Gba);
    const CliRun run = RunCli({"-c", card.Root(), "-m", "gba", "games"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "KART.GBA\tAMCE\tKART\tunknown\t\n");
}

TEST(CliGames, ListPrintsWhatItAlwaysPrinted) {
    TempCard card;
    WriteFile(CardDir(card) / "GAME.NDS", DsRom("GAME", "AGME", u"Game"));
    WriteSlotFor(card, slots::EditMode::Nds, "GAME.DAT", "GAME    NDS");
    const CliRun run = RunCli({"-c", card.Root(), "list"});
    EXPECT_EQ(run.status, 0);
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 100u);
    EXPECT_TRUE(lines[0].starts_with("00\tGAME.DAT\tGAME    NDS\t")) << lines[0];
}

}  // namespace
}  // namespace slotkit::test
