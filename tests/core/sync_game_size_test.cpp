// A sync brings a DS save file to its game's save size, read from the list of known games by the
// code of the slot's ROM on the card.
#include <gtest/gtest.h>

#include "card_fixture.h"
#include "commands/history_commands.h"
#include "exchange_test_support.h"
#include "formats/save_containers.h"
#include "rom_images.h"
#include "sync/sync_write.h"

namespace slotkit::test {
namespace {

namespace fs = std::filesystem;
using sync::Prefer;

constexpr std::size_t kRegion = 262144;  // a DS slot's save data region

class SyncGameSizeTest : public CardTest {
  protected:
    fs::path Folder() const { return card.PcFolder() / "emu"; }
    void SetUp() override {
        card.MakeSaveFolder(mode);
        fs::create_directories(Folder());
    }
    // The ROM NAME.NDS of game code `code` on the card (none for an empty code) and its slot
    // NAME.DAT, whose save is `save` then 0xFF. The file it pairs with is NAME.sav or NAME.dsv.
    Bytes Game(const std::string& name, const std::string& code, const Bytes& save) {
        if (!code.empty()) {
            Rom(name, code);
        }
        const slots::SlotLayout& layout = LayoutFor(mode);
        std::string shortName = name;
        shortName.resize(8, ' ');
        Bytes slot = card.WriteSlot(mode, name + ".DAT", layout.newFormSize, shortName + "NDS");
        std::fill(slot.begin(), slot.begin() + layout.saveRegionSize, 0xFF);
        std::copy(save.begin(), save.end(), slot.begin());
        slot[layout.LongNameFlagOffset()] = 1;
        std::fill_n(slot.begin() + layout.LongNameOffset(), slots::kLongNameSize, 0);
        roms::Put(slot, layout.LongNameOffset(), name + ".NDS");
        WriteFile(card.SlotFile(mode, name + ".DAT"), slot);
        return slot;
    }
    void Rom(const std::string& name, const std::string& code) {
        Bytes rom = roms::DsHeaderBytes("TITLE", code, "01", 0, 0);
        rom.resize(0x4000, 0);
        WriteFile(card.Dir() / "card" / (name + ".NDS"), rom);
    }
    Bytes SlotBytes(const std::string& name) { return ReadFile(card.SlotFile(mode, name)); }
    void Sync(Prefer prefer = Prefer::Neither, sync::SyncFormat format = sync::SyncFormat::Sav) {
        prompter.shown.clear();
        SyncWithFolder(Context(), Folder().string(), format, prefer, false);
    }
    // The plan as the question showed it, and the report after it.
    std::string Plan() const { return prompter.Transcript().at(0); }
    std::string Last() const { return prompter.LastMessage().text; }
    bool Succeeded() const { return Last().rfind("Success!", 0) == 0; }
};

Bytes Padded(Bytes bytes, std::size_t size) {
    bytes.resize(size, 0xFF);
    return bytes;
}

Bytes WithFooter(Bytes save) {
    const Bytes footer = formats::DesmumeFooter(static_cast<std::uint32_t>(save.size()));
    save.insert(save.end(), footer.begin(), footer.end());
    return save;
}

TEST_F(SyncGameSizeTest, NewFilesHaveTheGamesSizeOrSayThatTheSizeWasGuessed) {
    const Bytes small = Game("AMCE", "AMCE", PatternBytes(300, 1));      // flash 256 KiB
    const Bytes large = Game("ADAE", "ADAE", PatternBytes(kRegion, 2));  // flash 512 KiB
    // Unknown sizes: no ROM on the card, a code not in the list, a header failing its check.
    Game("NOROM", "", PatternBytes(8000, 3));
    Game("HOMEBREW", "ZZZQ", PatternBytes(8000, 4));
    const Bytes bad = Game("BADHEAD", "AMCE", PatternBytes(8000, 5));
    Bytes rom = ReadFile(card.Dir() / "card" / "BADHEAD.NDS");
    rom[0x15E] ^= 1;
    WriteFile(card.Dir() / "card" / "BADHEAD.NDS", rom);
    Sync();
    EXPECT_TRUE(Succeeded()) << Last();
    const std::string plan = Plan();
    EXPECT_NE(plan.find("AMCE.sav: card -> folder, a new file (262,144 bytes, the game's save "
                        "size)"),
              std::string::npos)
        << plan;
    EXPECT_NE(plan.find("(524,288 bytes, the game's save size): the folder has no file for this "
                        "game yet (the slot holds only the first 262,144 of the game's 524,288 "
                        "bytes)"),
              std::string::npos);
    const std::string guessed =
        ": card -> folder, a new file (8,192 bytes): the folder has no file for this game yet "
        "(the game's save size is not known: the size was guessed from the save's data; "
        "\"Export to a new file...\" (export-new --size) makes a file of another size).";
    for (const char* name : {"NOROM", "HOMEBREW", "BADHEAD"}) {
        EXPECT_NE(plan.find(name + (".sav" + guessed)), std::string::npos) << name;
        EXPECT_EQ(ReadFile(Folder() / (std::string(name) + ".sav")).size(), 8192u);
    }
    EXPECT_EQ(ReadFile(Folder() / "BADHEAD.sav"), Slice(bad, 0, 8192));
    EXPECT_EQ(ReadFile(Folder() / "AMCE.sav"), Slice(small, 0, kRegion));
    EXPECT_EQ(ReadFile(Folder() / "ADAE.sav"), Padded(Slice(large, 0, kRegion), 524288));

    // DeSmuME files: the footer names the game's size.
    Sync(Prefer::Neither, sync::SyncFormat::Dsv);
    EXPECT_TRUE(Succeeded()) << Last();
    EXPECT_EQ(ReadFile(Folder() / "ADAE.dsv"),
              WithFooter(Padded(Slice(large, 0, kRegion), 524288)));
    EXPECT_EQ(ReadFile(Folder() / "AMCE.dsv"), WithFooter(Slice(small, 0, kRegion)));

    Sync();  // both sides hold the same now
    EXPECT_NE(Last().find("Nothing to write"), std::string::npos) << Last();
}

TEST_F(SyncGameSizeTest, AFileOfAnotherSizeIsBroughtToTheGamesSizeAndTheHistoryKeepsIt) {
    // Nothing to do for the save: an 8 KiB file of a 256 KiB game is padded.
    const Bytes slot = Game("AMCE", "AMCE", PatternBytes(8192, 1));
    WriteFile(Folder() / "AMCE.sav", Slice(slot, 0, 8192));
    // The emulator's 16 KiB file of an 8 KiB game, padding past 8 KiB, chosen over the card: its
    // save goes to the slot and the file is cut to 8 KiB.
    const Bytes eeprom = Game("A22E", "A22E", PatternBytes(8192, 2));
    const Bytes played = Padded(PatternBytes(8192, 3), 16384);
    WriteFile(Folder() / "A22E.sav", played);
    // A .dsv is brought there with its footer; a .sav holding a DeSmuME save only named.
    const Bytes dsvSlot = Game("ADSV", "AMCE", PatternBytes(8192, 4));
    WriteFile(Folder() / "ADSV.dsv", WithFooter(Slice(dsvSlot, 0, 8192)));
    const Bytes kept = Game("KEPT", "AMCE", PatternBytes(8192, 5));
    WriteFile(Folder() / "KEPT.sav", WithFooter(Slice(kept, 0, 8192)));
    Sync(Prefer::Folder);
    EXPECT_TRUE(Succeeded()) << Last();
    const std::string plan = Plan();
    EXPECT_NE(plan.find("AMCE.sav: nothing to do for the save; the file is padded with 0xFF to "
                        "the game's size (8,192 bytes; the game's save is 262,144 bytes)"),
              std::string::npos)
        << plan;
    EXPECT_NE(plan.find("A22E.sav: folder -> card (8,192 bytes), then the file is cut to the "
                        "game's size, past which it holds only padding (16,384 bytes; the game's "
                        "save is 8,192 bytes)"),
              std::string::npos);
    EXPECT_NE(plan.find("KEPT.sav: nothing to do: both hold the same save (8,192 bytes; the "
                        "game's save is 262,144 bytes; the file is a DeSmuME save, whose size "
                        "the sync keeps)."),
              std::string::npos);
    EXPECT_EQ(ReadFile(Folder() / "AMCE.sav"), Slice(slot, 0, kRegion));
    EXPECT_EQ(ReadFile(Folder() / "A22E.sav"), Slice(played, 0, 8192));
    EXPECT_EQ(SlotBytes("A22E.DAT"), Overlaid(eeprom, Slice(played, 0, 8192)));
    EXPECT_EQ(ReadFile(Folder() / "KEPT.sav"), WithFooter(Slice(kept, 0, 8192)));
    Sync();  // the sync record holds what both sides hold now
    EXPECT_NE(Last().find("Nothing to write"), std::string::npos) << Last();
    commands::PutBackFolderFile(Context(), Folder().string(), "AMCE.sav", 0);
    EXPECT_EQ(ReadFile(Folder() / "AMCE.sav"), Slice(slot, 0, 8192)) << Last();
    commands::PutBackFolderFile(Context(), Folder().string(), "A22E.sav", 0);
    EXPECT_EQ(ReadFile(Folder() / "A22E.sav"), played) << Last();
    Sync(Prefer::Neither, sync::SyncFormat::Dsv);
    EXPECT_EQ(ReadFile(Folder() / "ADSV.dsv"), WithFooter(Slice(dsvSlot, 0, kRegion))) << Last();
}

TEST_F(SyncGameSizeTest, ASyncBeforeTheGamesSizeWasKnownStillTellsWhichSideChanged) {
    // Synced while the ROMs were not on the card: the files and the record are of the sizes
    // guessed, 8 KiB and 512 bytes.
    Game("AMCE", "", PatternBytes(8000, 1));
    const Bytes eeprom = Game("A22E", "", PatternBytes(500, 2));
    Sync();
    ASSERT_EQ(ReadFile(Folder() / "AMCE.sav").size(), 8192u) << Last();
    // The ROMs are copied to the card; the cartridge played one game, the emulator the other.
    Rom("AMCE", "AMCE");
    Rom("A22E", "A22E");
    Bytes slot = SlotBytes("AMCE.DAT");
    slot[5] ^= 0x55;
    WriteFile(card.SlotFile(mode, "AMCE.DAT"), slot);
    const Bytes played = PatternBytes(512, 3);
    WriteFile(Folder() / "A22E.sav", played);
    Sync();
    EXPECT_TRUE(Succeeded()) << Last();
    EXPECT_NE(Plan().find("AMCE.sav: card -> folder, the file written at the game's size (8,192 "
                          "bytes; the game's save is 262,144 bytes): only the card's save changed "
                          "since the last sync."),
              std::string::npos)
        << Plan();
    EXPECT_NE(Plan().find("A22E.sav: folder -> card (8,192 bytes), then the file is padded with "
                          "0xFF to the game's size (512 bytes; the game's save is 8,192 bytes): "
                          "only the folder's file changed since the last sync."),
              std::string::npos);
    EXPECT_EQ(ReadFile(Folder() / "AMCE.sav"), Slice(slot, 0, kRegion));
    EXPECT_EQ(ReadFile(Folder() / "A22E.sav"), Padded(played, 8192));
    EXPECT_EQ(SlotBytes("A22E.DAT"), Overlaid(eeprom, Padded(played, 8192)));
}

// A conflict over a file of another size says both sizes; nothing is written until a side is
// chosen.
TEST_F(SyncGameSizeTest, AConflictOverAFileOfAnotherSizeNamesBothSizes) {
    Game("AMCE", "AMCE", PatternBytes(2048, 1));
    const Bytes file = PatternBytes(8192, 2);
    WriteFile(Folder() / "AMCE.sav", file);
    Sync();
    EXPECT_NE(Plan().find("AMCE.sav: conflict, left as it is (8,192 bytes; the game's save is "
                          "262,144 bytes): never synced before, and the two saves differ."),
              std::string::npos)
        << Plan();
    EXPECT_EQ(ReadFile(Folder() / "AMCE.sav"), file);
}

TEST_F(SyncGameSizeTest, DataPastTheGamesSizeOrPastTheSlotIsNeverCut) {
    // An 8 KiB game whose file holds data past 8 KiB: a conflict, even where the saves agree.
    const Bytes eeprom = Game("A22E", "A22E", PatternBytes(8192, 1));
    const Bytes longer =
        Overlaid(Padded(Slice(eeprom, 0, 8192), 16384), PatternBytes(8192, 2), 8192);
    WriteFile(Folder() / "A22E.sav", longer);
    // A 512 KiB game whose file holds data past what a slot holds: not synced either way.
    const Bytes large = Game("ADAE", "ADAE", PatternBytes(1000, 3));
    const Bytes past = PatternBytes(524288, 4);
    WriteFile(Folder() / "ADAE.sav", past);

    for (const Prefer prefer : {Prefer::Neither, Prefer::Folder}) {
        SCOPED_TRACE(static_cast<int>(prefer));
        Sync(prefer);
        const std::string plan = Plan();
        EXPECT_NE(plan.find(std::string("A22E.sav: ") +
                            (prefer == Prefer::Neither ? "conflict, left as it is"
                                                       : "folder -> card (8,192 bytes)") +
                            ": the file's save (16,384 bytes) holds data past the game's 8,192 "
                            "bytes, which bringing the file to the game's size would cut"),
                  std::string::npos)
            << plan;
        EXPECT_NE(plan.find("ADAE.sav: not synced: the file's save holds data past the 262,144 "
                            "bytes a slot holds."),
                  std::string::npos);
        EXPECT_TRUE(prompter.AnyFailure());
        EXPECT_EQ(ReadFile(Folder() / "A22E.sav"), longer);
        EXPECT_EQ(ReadFile(Folder() / "ADAE.sav"), past);
        EXPECT_EQ(SlotBytes("ADAE.DAT"), large);
        EXPECT_EQ(SlotBytes("A22E.DAT"), eeprom);
    }

    // Only the user's choice of the card replaces the file, which the history keeps.
    Sync(Prefer::Card);
    EXPECT_NE(Plan().find("A22E.sav: card -> folder, the file written at the game's size (16,384 "
                          "bytes; the game's save is 8,192 bytes)"),
              std::string::npos)
        << Plan();
    EXPECT_EQ(ReadFile(Folder() / "A22E.sav"), Slice(eeprom, 0, 8192)) << Last();
    EXPECT_EQ(ReadFile(Folder() / "ADAE.sav"), past);
    commands::PutBackFolderFile(Context(), Folder().string(), "A22E.sav", 0);
    EXPECT_EQ(ReadFile(Folder() / "A22E.sav"), longer) << Last();
}

TEST_F(SyncGameSizeTest, ASideChangedAfterThePlanFailsItsPairAndIsLeftAsItIs) {
    // Planned: an 8 KiB file of a 256 KiB game padded, a 16 KiB file of an 8 KiB game cut, a
    // new file made.
    const Bytes flash = Game("AMCE", "AMCE", PatternBytes(8192, 1));
    const Bytes eeprom = Game("A22E", "A22E", PatternBytes(8192, 2));
    Game("ADAE", "ADAE", PatternBytes(512, 3));
    WriteFile(Folder() / "AMCE.sav", Slice(flash, 0, 8192));
    WriteFile(Folder() / "A22E.sav", Padded(Slice(eeprom, 0, 8192), 16384));
    std::string failure;
    const auto plan = PlanSync(Context(), Folder().string(), sync::SyncFormat::Sav, failure);
    ASSERT_TRUE(plan) << failure;
    ASSERT_TRUE(PlanWrites(*plan));

    // Then the emulator padded the first file itself and wrote data past 8 KiB into the second:
    // the saves as the sync compares them are the same, yet the files are not the ones planned.
    const Bytes padded = Padded(Slice(flash, 0, 8192), 16384);
    WriteFile(Folder() / "AMCE.sav", padded);
    const Bytes longer = Overlaid(Padded(Slice(eeprom, 0, 8192), 16384), PatternBytes(10, 4), 9000);
    WriteFile(Folder() / "A22E.sav", longer);
    // And the slot of the new file changed.
    Bytes changed = SlotBytes("ADAE.DAT");
    changed[10] ^= 1;
    WriteFile(card.SlotFile(mode, "ADAE.DAT"), changed);

    std::string report;
    EXPECT_FALSE(CarryOutSync(Context(), *plan, report));
    EXPECT_NE(report.find("AMCE.sav: the file changed after the plan was made"), std::string::npos)
        << report;
    EXPECT_NE(report.find("A22E.sav: the file changed after the plan was made"), std::string::npos)
        << report;
    EXPECT_NE(report.find("ADAE.sav: the slot changed after the plan was made"), std::string::npos)
        << report;
    EXPECT_EQ(ReadFile(Folder() / "AMCE.sav"), padded);
    EXPECT_EQ(ReadFile(Folder() / "A22E.sav"), longer);
    EXPECT_FALSE(fs::exists(Folder() / "ADAE.sav"));
}

}  // namespace
}  // namespace slotkit::test
