// Keeping the card's slots and an emulator's save folder in step.
#include <gtest/gtest.h>

#include "card_fixture.h"
#include "commands/history_commands.h"
#include "exchange_test_support.h"
#include "formats/save_containers.h"
#include "games/rom_names.h"
#include "history/history_format.h"
#include "platform/short_names.h"
#include "sync/sync_record.h"
#include "sync/sync_write.h"

namespace slotkit::test {
namespace {

namespace fs = std::filesystem;
using sync::Decide;
using sync::LastSync;
using sync::Prefer;
using sync::Way;

TEST(SyncRule, DecidesEveryRowAndSettlesOnlyConflicts) {
    const struct {
        std::uint64_t card;
        std::optional<std::uint64_t> folder;
        std::optional<LastSync> last;
        Way way;
    } rows[] = {
        {1, std::nullopt, std::nullopt, Way::ToFolder},  // no file yet
        {1, std::nullopt, LastSync{1, 1}, Way::ToFolder},
        {1, 1, std::nullopt, Way::Nothing},   // first sync, same saves
        {1, 2, std::nullopt, Way::Conflict},  // first sync, different saves
        {1, 1, LastSync{1, 1}, Way::Nothing},
        {2, 1, LastSync{1, 1}, Way::ToFolder},  // the card changed
        {1, 2, LastSync{1, 1}, Way::ToCard},    // the file changed
        {2, 3, LastSync{1, 1}, Way::Conflict},  // both changed
        {3, 3, LastSync{1, 1}, Way::Nothing},   // both changed the same way
        {1, 2, LastSync{1, 2}, Way::Conflict},  // a sync cut short
    };
    for (const auto& row : rows) {
        const sync::Decision decision = Decide(row.card, row.folder, row.last);
        EXPECT_EQ(decision.way, row.way) << decision.why;
        EXPECT_FALSE(decision.why.empty());
        const Way card = sync::Settle(decision, Prefer::Card).way;
        const Way folder = sync::Settle(decision, Prefer::Folder).way;
        EXPECT_EQ(sync::Settle(decision, Prefer::Neither).way, row.way);
        EXPECT_EQ(card, row.way == Way::Conflict ? Way::ToFolder : row.way);
        EXPECT_EQ(folder, row.way == Way::Conflict ? Way::ToCard : row.way);
    }
}

TEST(SyncRecord, ReadsBackWhatItWroteAndSkipsDamagedLines) {
    const std::vector<sync::RecordLine> lines{{"MARIO.DAT", "Mario Kart DS.sav", {1, 2}},
                                              {"B.DAT", "b.sav", {~0ull, 0}},
                                              {"BAD\tNAME.DAT", "x.sav", {3, 3}}};
    std::string text = sync::RecordText("/home/u/saves\nx", lines);
    EXPECT_EQ(text.find("saves\nx"), std::string::npos);
    text += "C.DAT\tc.sav\tnot-a-hash\t0000000000000001\nD.DAT\td.sav\t12\n";
    const auto read = sync::ParseRecord(text);
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[1].last.card, ~0ull);
    const auto found = sync::FindLast(read, "mario.dat", "MARIO KART DS.SAV");
    ASSERT_TRUE(found);
    EXPECT_EQ(found->folder, 2u);
    EXPECT_FALSE(sync::FindLast(read, "MARIO.DAT", "other.sav"));
    EXPECT_EQ(sync::RecordedFolder(sync::RecordText("/home/u/saves", {})), "/home/u/saves");
    EXPECT_FALSE(sync::RecordedFolder("# another file\n"));
    EXPECT_NE(sync::RecordFileName("NDSSAVE", "/a/b"), sync::RecordFileName("NDSSAVE", "/a_b"));
    EXPECT_EQ(sync::RecordFileName("NDSSAVE", "/a/b/"), sync::RecordFileName("NDSSAVE", "/a/b"));
}

class SyncTest : public CardTest {
  protected:
    fs::path Folder() const { return card.PcFolder() / "emu"; }
    void SetUp() override {
        card.MakeSaveFolder(mode);
        fs::create_directories(Folder());
    }
    // A slot named after `game` by its long ROM name, its save `save` then 0xFF padding.
    Bytes Slot(const std::string& fileName, const std::string& game, const Bytes& save) {
        const slots::SlotLayout& layout = LayoutFor(mode);
        Bytes slot = card.WriteSlot(mode, fileName, layout.newFormSize, "ROM~1   NDS");
        std::fill(slot.begin(), slot.begin() + layout.saveRegionSize, 0xFF);
        std::copy(save.begin(), save.end(), slot.begin());
        slot[layout.LongNameFlagOffset()] = 1;
        std::fill_n(slot.begin() + layout.LongNameOffset(), slots::kLongNameSize, 0);
        std::copy(game.begin(), game.end(), slot.begin() + layout.LongNameOffset());
        WriteFile(card.SlotFile(mode, fileName), slot);
        return slot;
    }
    Bytes SlotSave(const std::string& fileName, std::size_t size) {
        const Bytes slot = ReadFile(card.SlotFile(mode, fileName));
        return Bytes(slot.begin(), slot.begin() + static_cast<std::ptrdiff_t>(size));
    }
    void Sync(Prefer prefer = Prefer::Neither, sync::SyncFormat format = sync::SyncFormat::Sav) {
        prompter.shown.clear();
        SyncWithFolder(Context(), Folder().string(), format, prefer, false);
    }
    std::string Last() const { return prompter.LastMessage().text; }
};

TEST_F(SyncTest, FirstSyncMakesTheFilesThenOnlyChangesTravelAndNothingToDoWritesNothing) {
    Slot("A.DAT", "Mario Kart DS.nds", PatternBytes(8000, 1));
    Sync();
    const fs::path file = Folder() / "Mario Kart DS.sav";
    EXPECT_EQ(ReadFile(file), SlotSave("A.DAT", 8192)) << Last();  // the game's save size
    EXPECT_EQ(Last().rfind("Success!", 0), 0u) << Last();

    const auto entries = FolderEntries(card.Dir());
    const auto written = fs::last_write_time(file);
    Sync();
    EXPECT_NE(Last().find("nothing to do"), std::string::npos) << Last();
    EXPECT_EQ(fs::last_write_time(file), written);
    EXPECT_EQ(FolderEntries(card.Dir()), entries);

    // The emulator played: the file goes to the card, the slot kept first.
    const Bytes before = ReadFile(card.SlotFile(mode, "A.DAT"));
    const Bytes played = PatternBytes(8192, 2);
    WriteFile(file, played);
    Sync();
    EXPECT_EQ(SlotSave("A.DAT", 8192), played) << Last();
    // The cartridge played: the slot goes to the file, the file kept first.
    Bytes slot = ReadFile(card.SlotFile(mode, "A.DAT"));
    slot[5] ^= 0x55;
    WriteFile(card.SlotFile(mode, "A.DAT"), slot);
    Sync();
    EXPECT_EQ(ReadFile(file), SlotSave("A.DAT", 8192)) << Last();

    // Both sides come back through the history.
    prompter.shown.clear();
    commands::PutBackFolderFile(Context(), Folder().string(), "Mario Kart DS.sav", 0);
    EXPECT_EQ(ReadFile(file), played) << Last();
    commands::PutBackVersion(Context(), "A.DAT", 1);
    EXPECT_EQ(ReadFile(card.SlotFile(mode, "A.DAT")), before) << Last();
}

TEST_F(SyncTest, ConflictsAreLeftUntilASideIsChosenEitherWay) {
    Slot("A.DAT", "Game.nds", PatternBytes(512, 1));
    const fs::path file = Folder() / "game.SAV";  // letter case ignored
    WriteFile(file, PatternBytes(512, 2));
    for (const Prefer prefer : {Prefer::Neither, Prefer::Card, Prefer::Folder}) {
        SCOPED_TRACE(static_cast<int>(prefer));
        const Bytes slot = ReadFile(card.SlotFile(mode, "A.DAT"));
        const Bytes other = ReadFile(file);
        Sync(prefer);
        if (prefer == Prefer::Neither) {
            EXPECT_NE(Last().find("conflict, left as it is"), std::string::npos) << Last();
            EXPECT_EQ(ReadFile(card.SlotFile(mode, "A.DAT")), slot);
            EXPECT_EQ(ReadFile(file), other);
        } else if (prefer == Prefer::Card) {
            EXPECT_EQ(ReadFile(file), SlotSave("A.DAT", 512)) << Last();
            WriteFile(file, PatternBytes(512, 3));  // both change again
            Bytes changed = ReadFile(card.SlotFile(mode, "A.DAT"));
            changed[0] ^= 1;
            WriteFile(card.SlotFile(mode, "A.DAT"), changed);
        } else {
            EXPECT_EQ(SlotSave("A.DAT", 512), PatternBytes(512, 3)) << Last();
            Bytes rest = ReadFile(card.SlotFile(mode, "A.DAT"));
            EXPECT_TRUE(std::equal(rest.begin() + 512, rest.end(), slot.begin() + 512));
        }
    }
}

TEST_F(SyncTest, FilesKeepTheirSizeAndContainerAndBadPairsFailAloneNamingWhy) {
    Slot("A.DAT", "Dsv Game.nds", PatternBytes(300, 1));
    Slot("B.DAT", "Twice.nds", PatternBytes(512, 2));
    Slot("C.DAT", "twice.nds", PatternBytes(512, 3));
    Slot("D.DAT", "Big.nds", PatternBytes(512, 4));
    Slot("E.DAT", "Folder.nds", PatternBytes(512, 5));
    // A .sav with a DeSmuME footer, of 8 KiB: the slot's save goes into its save, the footer stays.
    Bytes dsv = PatternBytes(8192, 6);
    const Bytes footer = formats::DesmumeFooter(8192);
    dsv.insert(dsv.end(), footer.begin(), footer.end());
    WriteFile(Folder() / "Dsv Game.sav", dsv);
    WriteFile(Folder() / "Big.sav", Bytes(LayoutFor(mode).saveRegionSize + 1, 1));
    fs::create_directories(Folder() / "Folder.sav");
    WriteFile(Folder() / "notes.txt", Bytes{'x'});
    Sync(Prefer::Card);

    const Bytes written = ReadFile(Folder() / "Dsv Game.sav");
    ASSERT_EQ(written.size(), dsv.size()) << Last();
    EXPECT_EQ(Slice(written, 0, 8192), SlotSave("A.DAT", 8192));
    EXPECT_EQ(Slice(written, 8192, footer.size()), footer);
    EXPECT_FALSE(fs::exists(Folder() / "Twice.sav"));
    EXPECT_EQ(ReadFile(Folder() / "notes.txt"), Bytes{'x'});
    const std::string report = Last();
    EXPECT_EQ(report.rfind("Failed!", 0), 0u) << report;
    EXPECT_NE(report.find("B.DAT, C.DAT name one game"), std::string::npos) << report;
    EXPECT_NE(report.find("larger than the slot's save data region"), std::string::npos) << report;
    EXPECT_NE(report.find("Folder.sav in the folder is a folder"), std::string::npos);
    EXPECT_NE(prompter.Transcript()[0].find("no slot pairs with, left as they are: notes.txt"),
              std::string::npos);

    prompter.shown.clear();
    std::string failure;
    EXPECT_FALSE(PlanSync(Context(), (Folder() / "gone").string(), sync::SyncFormat::Sav, failure));
    EXPECT_NE(failure.find("is not there"), std::string::npos);
}

TEST_F(SyncTest, TheGameIsNamedAfterItsRomOnTheCardAndAGbaFileTakesTheRomsSaveSize) {
    // No long name in the slot: the ROM file whose 8.3 alias the slot names gives the name.
    fs::create_directories(card.Dir() / "card" / "Games");
    const fs::path dsRom = card.Dir() / "card" / "Games" / "Mario Kart DS.nds";
    WriteFile(dsRom, Bytes(4096, 0));
    // The 8.3 name the file system gives the ROM (Windows has its own), or the alias its name
    // would get where there is none to read.
    const auto shortForm = platform::ShortPathName(dsRom.string());
    const std::string alias = shortForm ? games::ShortNameText(*shortForm) : "MARIOK~1NDS";
    Bytes nds = card.WriteSlot(mode, "A.DAT", slots::kNdsLayout.newFormSize, alias);
    nds[slots::kNdsLayout.LongNameFlagOffset()] = 0;
    WriteFile(card.SlotFile(mode, "A.DAT"), nds);
    Sync(Prefer::Card);
    EXPECT_TRUE(fs::exists(Folder() / "Mario Kart DS.sav")) << Last();

    mode = slots::EditMode::Gba;
    card.MakeSaveFolder(mode);
    Bytes rom(1 << 20, 0);
    const std::string id = "FLASH512_V131";
    std::copy(id.begin(), id.end(), rom.begin() + 0x7F000);
    WriteFile(card.Dir() / "card" / "Zelda.gba", rom);
    Bytes slot = card.WriteSlot(mode, "Z.DAT", slots::kGbaLayout.newFormSize, "ZELDA   GBA");
    std::fill_n(slot.begin() + 100, slots::kGbaLayout.saveRegionSize - 100, 0xFF);
    slot[slots::kGbaLayout.LongNameFlagOffset()] = 0;
    WriteFile(card.SlotFile(mode, "Z.DAT"), slot);
    Sync(Prefer::Card);
    EXPECT_EQ(ReadFile(Folder() / "Zelda.sav"), Slice(slot, 0, 65536)) << Last();
}

TEST_F(SyncTest, ADryRunAndANoWriteNothing) {
    Slot("A.DAT", "Game.nds", PatternBytes(512, 1));
    const auto before = FolderEntries(Folder());
    SyncWithFolder(Context(), Folder().string(), sync::SyncFormat::Sav, Prefer::Neither, true);
    EXPECT_NE(Last().find("card -> folder, a new file"), std::string::npos) << Last();
    prompter.answers = {false};
    Sync();
    EXPECT_EQ(FolderEntries(Folder()), before);
    EXPECT_FALSE(fs::exists(card.Dir() / "history"));

    // A new DeSmuME file: the save of the game's size, then its footer.
    Sync(Prefer::Neither, sync::SyncFormat::Dsv);
    Bytes dsv = SlotSave("A.DAT", 512);
    const Bytes footer = formats::DesmumeFooter(512);
    dsv.insert(dsv.end(), footer.begin(), footer.end());
    EXPECT_EQ(ReadFile(Folder() / "Game.dsv"), dsv) << Last();
}

}  // namespace
}  // namespace slotkit::test
