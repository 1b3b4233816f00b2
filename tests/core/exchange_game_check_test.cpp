// The slot's game checked before an import or a restore, and the game's save size offered for
// a new file: what the questions say, never a refusal.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/display_text.h"
#include "commands/backup_restore.h"
#include "commands/export_new.h"
#include "commands/game_check.h"
#include "commands/import_save.h"
#include "exchange_test_support.h"
#include "foreign_files.h"
#include "rom_images.h"

namespace slotkit::test {
namespace {

namespace fs = std::filesystem;
using namespace files;

TEST(LooselySameName, CaseBlanksAndPunctuationAsideOneHoldsTheOther) {
    struct Case {
        const char* a;
        const char* b;
        bool same;
    };
    const Case cases[] = {
        {"Pokemon Diamond", "POKEMON DIAMOND", true},
        {"pokemon-diamond!", "Pokemon Diamond", true},
        {"POKEMON D", "Pokemon Diamond Version", true},  // "pokemond" begins "pokemondiamond"
        {"POKEMON P", "Pokemon Diamond", false},
        {"Pokemon", "Pokemon Diamond", true},
        {"Pokemon Diamond Version", "Pokemon Diamond", true},
        {"Pokémon Diamond", "Pokemon Diamond", true},
        {"MARIO KART DS", "Mario Kart", true},
        {"Mario Kart", "Zelda", false},
        {"", "Zelda", false},
        {"!!!", "???", false},
        {"  ", "", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(commands::LooselySameName(c.a, c.b), c.same) << c.a << " / " << c.b;
        EXPECT_EQ(commands::LooselySameName(c.b, c.a), c.same) << c.b << " / " << c.a;
    }
}

TEST(MatchGame, ByCodeAndTitleOrLooselyByAName) {
    games::RomInfo gba;
    gba.headerTitle = "POKEMON FIRE";
    gba.code = "BPRE";
    auto named = [](std::string title, std::string code, bool freeText = false) {
        formats::FoundSave found;
        found.gameTitle = std::move(title);
        found.gameCode = std::move(code);
        found.gameFreeText = freeText;
        found.game = found.gameTitle;
        return found;
    };
    EXPECT_EQ(commands::MatchGame(named("POKEMON FIRE", "BPRE"), gba), commands::GameMatch::Same);
    EXPECT_EQ(commands::MatchGame(named("pokemon fire ", ""), gba), commands::GameMatch::Same);
    EXPECT_EQ(commands::MatchGame(named("POKEMON EMER", "BPEE"), gba),
              commands::GameMatch::Different);
    EXPECT_EQ(commands::MatchGame(named("POKEMON FIRE", "BPRF"), gba),
              commands::GameMatch::Different);
    EXPECT_EQ(commands::MatchGame(named("POKEMON FIRE HACK", "BPRE"), gba),
              commands::GameMatch::Different);
    EXPECT_EQ(commands::MatchGame(named("", ""), gba), commands::GameMatch::Unknown);
    EXPECT_EQ(commands::MatchGame(named("POKEMON FIRE", "BPRE"), games::RomInfo{}),
              commands::GameMatch::Unknown);

    games::RomInfo ds;
    ds.headerTitle = "POKEMON D";
    ds.code = "ADAE";
    ds.banner = Bytes(roms::DsBannerSizeOf(1), 0);
    roms::PutU16(ds.banner, 0, 1);
    roms::PutTitle(ds.banner, 1, u"Pokémon Diamond Version\nNintendo");
    roms::SealDsBanner(ds.banner, 1);
    EXPECT_EQ(commands::MatchGame(named("pokemon diamond", "", true), ds),
              commands::GameMatch::Same);
    EXPECT_EQ(commands::MatchGame(named("POKEMON D", "", true), ds), commands::GameMatch::Same);
    EXPECT_EQ(commands::MatchGame(named("Pokemon Pearl", "", true), ds),
              commands::GameMatch::Different);
    // The maker's line is no game's name.
    EXPECT_EQ(commands::MatchGame(named("Nintendo", "", true), ds), commands::GameMatch::Different);
}

TEST(SaveSizeNote, SaysWhenTheFileIsNotTheGamesSize) {
    const games::GbaSaveType flash{games::GbaSaveKind::Flash128K, 131072, "FLASH1M_V103"};
    const games::GbaSaveType eeprom{games::GbaSaveKind::Eeprom, 0, "EEPROM_V124"};
    EXPECT_EQ(commands::SaveSizeNote(131072, flash), "");
    EXPECT_EQ(commands::SaveSizeNote(65536, flash),
              "This file's save (65,536 bytes) is smaller than the game's save (Flash 128 KiB: "
              "131,072 bytes).");
    EXPECT_EQ(commands::SaveSizeNote(512, eeprom), "");
    EXPECT_EQ(commands::SaveSizeNote(8192, eeprom), "");
    EXPECT_EQ(commands::SaveSizeNote(32768, eeprom),
              "This file's save (32,768 bytes) is larger than the game's save (EEPROM: 512 or "
              "8,192 bytes).");
    EXPECT_EQ(commands::SaveSizeNote(1024, eeprom),
              "This file's save (1,024 bytes) is neither size of the game's save (EEPROM: 512 or "
              "8,192 bytes).");
    EXPECT_EQ(commands::SaveSizeNote(1024, games::GbaSaveType{}), "");
}

// A card with the slot GAME.DAT, whose game is the ROM GAME.GBA or GAME.NDS on the card.
class GameCheckTest : public CardTest {
  protected:
    // A slot whose trailer names `shortName` and no long name.
    void WriteSlot(const std::string& name, const std::string& shortName) {
        const slots::SlotLayout& layout = LayoutFor(mode);
        Bytes slot = card.WriteSlot(mode, name, layout.newFormSize, shortName);
        slot[layout.LongNameFlagOffset()] = 0;
        WriteFile(card.SlotFile(mode, name), slot);
    }
    void SetUpGba(std::string_view title, std::string_view code, std::string_view libraryId) {
        mode = slots::EditMode::Gba;
        Bytes rom = roms::GbaHeaderBytes(title, code, "01");
        rom.resize(0x8000, 0xFF);
        roms::Put(rom, 0x4000, libraryId);
        WriteFile(card.Dir() / "card" / "GAME.GBA", rom);
        WriteSlot("GAME.DAT", "GAME    GBA");
        ListAndSelect({0});
    }
    // GAME.DAT belongs to GAME.NDS of game `code`; the slot holds `dataBytes` bytes of data,
    // then blank (0xFF) to the region's end. `badHeader`: the ROM's header fails its check.
    Bytes SetUpDs(std::string_view code, std::size_t dataBytes, bool badHeader = false) {
        mode = slots::EditMode::Nds;
        Bytes rom = roms::DsHeaderBytes("SIZED", code, "01", 0, 0);
        rom[0x15E] ^= badHeader ? 0xFF : 0;
        WriteFile(card.Dir() / "card" / "GAME.NDS", rom);
        WriteSlot("GAME.DAT", "GAME    NDS");
        Bytes slot = ReadFile(card.SlotFile(mode, "GAME.DAT"));
        std::fill(slot.begin() + static_cast<std::ptrdiff_t>(dataBytes),
                  slot.begin() + slots::kNdsLayout.saveRegionSize, 0xFF);
        WriteFile(card.SlotFile(mode, "GAME.DAT"), slot);
        ListAndSelect({0});
        return slot;
    }
    Bytes ExportNew(const std::string& name) {
        const fs::path target = card.PcFolder() / name;
        fs::remove(target);
        prompter.paths.push_back(target.string());
        prompter.shown.clear();
        commands::ExportNewSave(Context());
        return fs::exists(target) ? ReadFile(target) : Bytes{};
    }
    std::string Choose(const std::string& name, const Bytes& content) {
        const std::string path = (card.PcFolder() / name).string();
        WriteFile(path, content);
        prompter.paths.push_back(path);
        return path;
    }
    std::string Question() const {
        for (const Shown& shown : prompter.shown) {
            if (shown.kind == Shown::Kind::Question) {
                return shown.text;
            }
        }
        return {};
    }
};

TEST_F(GameCheckTest, TheImportQuestionNamesBothGamesWhenTheyDiffer) {
    SetUpGba("POKEMON FIRE", "BPRE", "FLASH1M_V103");
    Choose("other.sps", SharkPort(PatternBytes(131072, 3), "POKEMON EMER", "BPEE"));
    commands::ImportSave(Context());
    EXPECT_EQ(Question(),
              "Does the import of the save data.\nDon't use for an [Not-used] slot.\nIt doesn't "
              "permit writing in save of the different game, too.\n\nSharkPort save: 131,072 "
              "bytes\nThis save is for POKEMON EMER (BPEE); the slot's game is POKEMON FIRE "
              "(BPRE).\n\nDoes it execute really?");
    EXPECT_FALSE(prompter.AnyFailure());  // the user decided: imported
}

TEST_F(GameCheckTest, TheSameGameIsSaidBrieflyAndASizeThatIsNotTheGames) {
    SetUpGba("POKEMON FIRE", "BPRE", "FLASH1M_V103");
    Choose("same.gsv", GameSharkSp(PatternBytes(65536, 4), 5, "POKEMON FIRE"));
    commands::ImportSave(Context());
    const std::string question = Question();
    EXPECT_NE(question.find("GameShark SP save: 65,536 bytes\nThis save is for the slot's game, "
                            "POKEMON FIRE (BPRE).\nThis file's save (65,536 bytes) is smaller "
                            "than the game's save (Flash 128 KiB: 131,072 bytes).\n\n"),
              std::string::npos)
        << question;
    EXPECT_EQ(question.find("Game:"), std::string::npos);

    // A raw .sav names no game; its size is still checked.
    prompter.shown.clear();
    Choose("raw.sav", PatternBytes(32768, 5));
    commands::ImportSave(Context());
    EXPECT_NE(Question().find("\n\nThis file's save (32,768 bytes) is smaller than the game's "
                              "save (Flash 128 KiB: 131,072 bytes).\n\nDoes it"),
              std::string::npos)
        << Question();
}

TEST_F(GameCheckTest, WithoutItsRomOnTheCardTheFileSaysItsGameAsBefore) {
    SetUpGba("POKEMON FIRE", "BPRE", "FLASH1M_V103");
    fs::remove(card.Dir() / "card" / "GAME.GBA");
    fs::create_directories(card.Dir() / "card" / "GAME.GBA");  // a folder of the ROM's name
    Choose("other.sps", SharkPort(PatternBytes(131072, 3), "POKEMON EMER", "BPEE"));
    commands::ImportSave(Context());
    const std::string question = Question();
    EXPECT_NE(question.find("SharkPort save: 131,072 bytes\nGame: POKEMON EMER (BPEE)\n\n"),
              std::string::npos)
        << question;
    EXPECT_EQ(question.find("This save is for"), std::string::npos);
}

TEST_F(GameCheckTest, AnActionReplayNameIsComparedLooselyWithTheDsTitle) {
    mode = slots::EditMode::Nds;
    Bytes rom = roms::DsHeaderBytes("POKEMON D", "ADAE", "01", 0, 0x200);
    const Bytes banner = roms::DsBannerBytes(1, u"Pokémon Diamond\nNintendo");
    rom.insert(rom.end(), banner.begin(), banner.end());
    WriteFile(card.Dir() / "card" / "GAME.NDS", rom);
    WriteSlot("GAME.DAT", "GAME    NDS");
    ListAndSelect({0});
    Choose("same.duc", ArdsFile(PatternBytes(1000, 6), "pokemon  diamond"));
    commands::ImportSave(Context());
    EXPECT_NE(Question().find("This save is for the slot's game, POKEMON D (ADAE)."),
              std::string::npos)
        << Question();
    prompter.shown.clear();
    Choose("other.duc", ArdsFile(PatternBytes(1000, 6), "Mario Kart DS"));
    commands::ImportSave(Context());
    EXPECT_NE(Question().find("This save is for Mario Kart DS; the slot's game is POKEMON D "
                              "(ADAE)."),
              std::string::npos)
        << Question();
}

TEST_F(GameCheckTest, ARestoreOfAnotherGamesBackupAsksFirst) {
    mode = slots::EditMode::Gba;
    WriteSlot("A.DAT", "GAME    GBA");
    WriteSlot("B.DAT", "OTHER   GBA");
    ListAndSelect({0, 1});
    // Backups of the same two names: A's names its own game, B's another one.
    const fs::path folder = card.PcFolder() / "backups";
    fs::create_directories(folder);
    Bytes a = ReadFile(card.SlotFile(mode, "A.DAT"));
    Bytes b = ReadFile(card.SlotFile(mode, "B.DAT"));
    roms::Put(b, slots::kGbaLayout.ShortNameOffset(), "POKEMO~1GBA");
    b[slots::kGbaLayout.LongNameFlagOffset()] = 1;
    roms::Put(b, slots::kGbaLayout.LongNameOffset(), std::string_view("Pokemon Fire.gba", 17));
    WriteFile(folder / "A.DAT", a);
    WriteFile(folder / "B.DAT", b);
    prompter.paths.push_back(folder.string());
    prompter.answers = {false};
    commands::Restore(Context());
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text,
              "This backup names another game than its slot:\n" +
                  base::DisplayText((folder / "B.DAT").string()) +
                  " is for POKEMO~1.GBA (Pokemon Fire.gba); B.DAT is for OTHER.GBA\nThe slot "
                  "then belongs to the backup's game.\nDoes it execute really?");
    EXPECT_NE(ReadFile(card.SlotFile(mode, "B.DAT")), b);  // answered No: nothing copied

    // Backups of the slots' own games: no new question.
    WriteFile(folder / "B.DAT", ReadFile(card.SlotFile(mode, "B.DAT")));
    prompter.shown.clear();
    prompter.paths.push_back(folder.string());
    commands::Restore(Context());
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Success!");
}

TEST_F(GameCheckTest, ANewFileTakesTheGamesSaveSize) {
    struct Case {
        const char* libraryId;
        std::size_t dataBytes;  // non-blank bytes at the start of the slot
        std::uint64_t suggested;
    };
    const Case cases[] = {
        {"SRAM_V113", 100, 32768},  {"FLASH_V126", 100, 65536},    {"EEPROM_V124", 100, 512},
        {"EEPROM_V124", 600, 8192}, {"NO_LIBRARY_HERE", 100, 512},  // none: the smallest size that
                                                                    // holds the data
    };
    for (const Case& c : cases) {
        // Each its own ROM: one rewritten in the same second under the same header and size
        // would be taken for the one whose type is remembered.
        SetUpGba("SIZED " + std::to_string(&c - cases), "BSZE", c.libraryId);
        Bytes slot = ReadFile(card.SlotFile(mode, "GAME.DAT"));
        std::fill(slot.begin() + static_cast<std::ptrdiff_t>(c.dataBytes),
                  slot.begin() + slots::kGbaLayout.saveRegionSize, 0xFF);
        WriteFile(card.SlotFile(mode, "GAME.DAT"), slot);
        const fs::path target = card.PcFolder() / "new.sav";
        fs::remove(target);
        prompter.paths.push_back(target.string());
        commands::ExportNewSave(Context());
        EXPECT_EQ(fs::file_size(target), c.suggested) << c.libraryId << " " << c.dataBytes;
    }
}

// A GBA ROM read whole for its save type shows how far the reading has come; a stop from the
// user leaves the size guessed from the save's data, and nothing remembered.
TEST_F(GameCheckTest, AGbaRomReadWholeShowsItsProgressAndCanBeStopped) {
    SetUpGba("STOPPED", "BSTE", "SRAM_V113");
    prompter.stopProgressAfter = 0;
    const fs::path target = card.PcFolder() / "new.sav";
    prompter.paths.push_back(target.string());
    commands::ExportNewSave(Context());
    EXPECT_EQ(prompter.progressTitles,
              std::vector<std::string>{"Reading the save type of GAME.GBA"});
    ASSERT_EQ(prompter.progressLines.size(), 1u);
    EXPECT_EQ(prompter.progressLines[0],
              "The save type of GAME.GBA is read from the whole ROM: 0 of 1 MiB read.");
    EXPECT_NE(fs::file_size(target), 32768u);  // not the SRAM game's size: the type is not known

    // Read to its end: the game's size, and the type is remembered (no reading the next time).
    prompter.stopProgressAfter = -1;
    prompter.progressTitles.clear();
    prompter.paths.push_back(target.string());
    commands::ExportNewSave(Context());
    EXPECT_EQ(fs::file_size(target), 32768u);
    EXPECT_EQ(prompter.progressTitles.size(), 1u);
    prompter.progressTitles.clear();
    prompter.paths.push_back(target.string());
    commands::ExportNewSave(Context());
    EXPECT_TRUE(prompter.progressTitles.empty());
}

// A DS save file takes its game's size from the list of known games, whatever the save holds:
// a sparse save of a 256 KiB game is not cut to the smallest size that holds its data.
TEST_F(GameCheckTest, ANewDsFileTakesItsGamesSaveMemory) {
    struct Case {
        const char* code;
        std::size_t dataBytes;
        std::size_t size;
        const char* memory;
    };
    const Case cases[] = {{"AMCE", 2048, 262144, "Flash 256 KiB: 262,144"},
                          {"A22E", 300, 8192, "EEPROM 8 KiB: 8,192"},
                          {"12ES", 100000, 65536, "EEPROM 64 KiB: 65,536"}};
    for (const Case& c : cases) {
        const Bytes slot = SetUpDs(c.code, c.dataBytes);
        prompter.answers = {true};  // the last case cuts data off: asked, and answered Yes
        EXPECT_EQ(ExportNew("new.sav"), Slice(slot, 0, c.size)) << c.code;
        EXPECT_EQ(prompter.LastMessage().text,
                  "Success!\nThe new file holds a save of " + base::ByteCount(c.size) +
                      " bytes.\nIt is the size of the game's save (" + c.memory + " bytes).")
            << c.code;
    }
}

// A game of more save memory than a slot holds gets a file of its whole size: the slot's bytes,
// then blank, and the user is told so. A .dsv's footer names the same size.
TEST_F(GameCheckTest, AGameLargerThanASlotGetsItsWholeSizeBlankPastTheSlot) {
    const Bytes slot = SetUpDs("ADAE", 200000);
    Bytes expected = Slice(slot, 0, 262144);
    expected.resize(524288, 0xFF);
    EXPECT_EQ(ExportNew("big.sav"), expected);
    EXPECT_EQ(prompter.Transcript(),
              std::vector<std::string>{
                  "true: Success!\nThe new file holds a save of 524,288 bytes.\nIt is the size "
                  "of the game's save (Flash 512 KiB: 524,288 bytes).\nThe slot holds only the "
                  "first 262,144 of the file's 524,288 bytes: the rest is blank (0xFF), as on a "
                  "game card whose save never reached it."});

    const Bytes dsv = ExportNew("big.dsv");
    EXPECT_EQ(Slice(dsv, 0, 524288), expected);
    EXPECT_EQ(Slice(dsv, 524288, dsv.size() - 524288), formats::DesmumeFooter(524288));
    EXPECT_EQ(ReadForeignSave(formats::ForeignSaveType::Dsv, dsv).length, 524288u);
}

// Where the game's save size cannot be known, the size is guessed from the data as before, and
// the message says so and why.
TEST_F(GameCheckTest, AnUnknownDsGameSizeIsGuessedAndSaidSo) {
    const std::string how =
        "): the size was guessed from the save's data. Another size can be chosen in the file "
        "chooser's size box (export-new --size on the command line).";
    SetUpDs("ZZZZ", 2048);
    EXPECT_EQ(ExportNew("new.sav").size(), 8192u);
    EXPECT_EQ(prompter.LastMessage().text,
              "Success!\nThe new file holds a save of 8,192 bytes.\nThe game's save size is not "
              "known (the game ZZZZ is not in slotkit's list of DS games" +
                  how);

    SetUpDs("AMCE", 2048, /*badHeader=*/true);  // its code is not trusted, so not looked up
    EXPECT_EQ(ExportNew("new.sav").size(), 8192u);
    EXPECT_EQ(prompter.LastMessage().text,
              "Success!\nThe new file holds a save of 8,192 bytes.\nThe game's save size is not "
              "known (the header of its ROM GAME.NDS fails its check" +
                  how);

    SetUpDs("AMCE", 2048);
    Bytes blank = ReadFile(card.SlotFile(mode, "GAME.DAT"));
    std::fill_n(blank.begin() + slots::kNdsLayout.ShortNameOffset(), slots::kShortNameSize, 0);
    WriteFile(card.SlotFile(mode, "GAME.DAT"), blank);
    EXPECT_EQ(ExportNew("new.sav").size(), 8192u);
    EXPECT_EQ(prompter.LastMessage().text,
              "Success!\nThe new file holds a save of 8,192 bytes.\nThe game's save size is not "
              "known (the slot names no game" +
                  how);
}

TEST_F(GameCheckTest, TheDsImportQuestionSaysWhenTheFileIsNotTheGamesSize) {
    SetUpDs("AMCE", 2048);
    prompter.answers = {false};
    Choose("small.sav", PatternBytes(8192, 5));
    commands::ImportSave(Context());
    EXPECT_NE(Question().find("\n\nThis file's save (8,192 bytes) is smaller than the game's "
                              "save (Flash 256 KiB: 262,144 bytes).\n\nDoes it"),
              std::string::npos)
        << Question();

    prompter.shown.clear();
    prompter.answers = {false};
    Choose("right.sav", PatternBytes(262144, 5));
    commands::ImportSave(Context());
    EXPECT_EQ(Question().find("game's save"), std::string::npos) << Question();
}

}  // namespace
}  // namespace slotkit::test
