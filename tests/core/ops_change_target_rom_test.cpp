#include <gtest/gtest.h>

#include <filesystem>

#include "commands/change_target_rom.h"
#include "games/rom_names.h"
#include "history/keep_history.h"
#include "ops_fixture.h"

namespace slotkit::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kFollowUp =
    "message: It succeeded.\n\nContinuously, does it do DAT-Rename?\n";

std::string Confirmation(const std::string& slotPath, const std::string& before,
                         const std::string& after) {
    return "It changes the ROM information which was stored in the DAT file.\nBy Renameing a ROM "
           "file, it is possible to be restored in the Sceve dater\nwhich passed away, that it is "
           "possible to read.\n\nBut, it is possible to load when making a mistake and using and "
           "it passes away.\n\nTarget DAT:" +
           slotPath + "\nBefore:" + before + "\nAfter:" + after + "\n\nDoes it execute really?";
}

Bytes Field(const Bytes& slot, std::uint64_t offset, std::size_t size) {
    return Bytes(slot.begin() + static_cast<std::ptrdiff_t>(offset),
                 slot.begin() + static_cast<std::ptrdiff_t>(offset + size));
}

Bytes Padded(const std::string& text, std::size_t size) {
    Bytes bytes(text.begin(), text.end());
    bytes.resize(size, 0);
    return bytes;
}

class ChangeTargetRomTest : public OpsTest {
  protected:
    // A ROM file on the PC; only its name matters.
    std::string Rom(const std::string& name) {
        WriteFile(Pc(name), Bytes(16, 0xAA));
        return Pc(name).string();
    }
    Bytes SlotWithFlag(const std::string& name, std::uint8_t flag, std::uint64_t size) {
        Bytes slot = card.WriteSlot(mode, name, size, "OLDGAME NDS");
        slot[LayoutFor(mode).LongNameFlagOffset()] = flag;
        WriteFile(Slot(name), slot);
        return slot;
    }
};

TEST_F(ChangeTargetRomTest, FlagZeroChangesOnlyTheShortNameAndShowsBeforeAndAfter) {
    const Bytes before = SlotWithFlag("A.DAT", 0, 263'168);
    SelectFiles({"A.DAT"});
    prompter.paths.push_back(Rom("game.nds"));
    prompter.answers = {true, false};
    commands::ChangeTargetRom(Context());

    Bytes expected = before;
    const std::string shortName = "GAME    NDS";
    std::copy(shortName.begin(), shortName.end(), expected.begin() + 0x40005);
    EXPECT_EQ(ReadFile(Slot("A.DAT")), expected);
    EXPECT_EQ(prompter.Transcript(),
              (std::vector<std::string>{
                  "Change a NDS-ROM info - confirmation: " +
                      Confirmation(Context().SlotPathOf("A.DAT"), "OLDGAME NDS", shortName),
                  kFollowUp}));
    ASSERT_EQ(prompter.choosers.size(), 1u);
    EXPECT_EQ(prompter.choosers[0].kind, "open");
    EXPECT_EQ(prompter.choosers[0].filters[0].description, "NDS ROM FILE(*.NDS)");
    EXPECT_EQ(prompter.choosers[0].filters[0].pattern, "*.NDS");
    EXPECT_EQ(prompter.choosers[0].filters[1].description, "All Files(*.*)");
    EXPECT_EQ(view.showCount, 0);  // the command never refreshes by itself
}

#ifndef _WIN32  // Windows names files its own way (8.3 aliases, letter case)
TEST_F(ChangeTargetRomTest, FlaggedSlotTakesTheLongNameCutTo33Bytes) {
    mode = slots::EditMode::Gba;
    for (const std::size_t length : {32u, 33u, 40u}) {
        const std::string romName = std::string(length - 4, 'L') + ".gba";
        const Bytes before = SlotWithFlag("G.DAT", 1, 132'096);
        SelectFiles({"G.DAT"});
        prompter.paths.push_back(Rom(romName));
        prompter.answers = {true, false};
        commands::ChangeTargetRom(Context());

        const Bytes after = ReadFile(Slot("G.DAT"));
        ASSERT_EQ(after.size(), before.size());
        EXPECT_EQ(Field(after, 0x20005, 11), Padded("LLLLLL~1GBA", 11)) << length;
        EXPECT_EQ(Field(after, 0x20025, 33), Padded(romName.substr(0, 33), 33)) << length;
        // Everything else, the flag included, is as it was.
        Bytes rest = after;
        std::copy_n(before.begin() + 0x20005, 11, rest.begin() + 0x20005);
        std::copy_n(before.begin() + 0x20025, 33, rest.begin() + 0x20025);
        EXPECT_EQ(rest, before) << length;
        EXPECT_EQ(prompter.shown.at(0).caption, "Change a GBA-ROM info - confirmation");
        // The next ROM would shorten alike, which leaves no trustworthy alias for either.
        fs::remove(Pc(romName));
    }
}
#endif

#ifndef _WIN32  // Windows names files its own way (8.3 aliases, letter case)
TEST_F(ChangeTargetRomTest, NoOnOneRowLeavesItAndTheWalkGoesOn) {
    const Bytes a = SlotWithFlag("A.DAT", 1, 263'168);
    const Bytes b = SlotWithFlag("B.DAT", 1, slots::kOldFormSize);
    SelectFiles({"A.DAT", "B.DAT"});
    const auto order = SelectedInListOrder({"A.DAT", "B.DAT"});
    const Bytes& firstBefore = order[0] == "A.DAT" ? a : b;
    prompter.paths.push_back(Rom("Mario Kart DS.nds"));
    prompter.answers = {false, true, false};
    commands::ChangeTargetRom(Context());

    EXPECT_EQ(ReadFile(Slot(order[0])), firstBefore);
    const Bytes second = ReadFile(Slot(order[1]));
    EXPECT_EQ(Field(second, 0x40005, 11), Padded("MARIOK~1NDS", 11));
    EXPECT_EQ(Field(second, 0x40025, 33), Padded("Mario Kart DS.nds", 33));
    EXPECT_EQ(prompter.shown.size(), 3u);
}
#endif

TEST_F(ChangeTargetRomTest, UnopenableSlotEndsTheWalkAfterTheEarlierChanges) {
    SlotWithFlag("A.DAT", 0, 263'168);
    const Bytes cut = card.WriteSlot(mode, "CUT.DAT", 0x40010);  // ends inside the trailer
    SelectFiles({"A.DAT", "CUT.DAT"}, 1);
    const auto order = SelectedInListOrder({"A.DAT", "CUT.DAT"});
    prompter.paths.push_back(Rom("GAME.NDS"));
    prompter.answers = {true, false};
    commands::ChangeTargetRom(Context());

    EXPECT_EQ(ReadFile(Slot("CUT.DAT")), cut);
    EXPECT_EQ(prompter.LastMessage().text,
              "It doesn't open DAT file.\nCUT.DAT is too short for a slot file: it is 262,160 "
              "bytes long, and the ROM names are kept at bytes 262,149 to 262,213.\nThe file "
              "was left as it was.");
    EXPECT_EQ(prompter.LastMessage().caption, "error");
    EXPECT_TRUE(prompter.AnyFailure());
    if (order[0] == "A.DAT") {
        EXPECT_EQ(Field(ReadFile(Slot("A.DAT")), 0x40005, 11), Padded("GAME    NDS", 11));
        EXPECT_EQ(prompter.shown.size(), 3u);
    } else {
        EXPECT_EQ(prompter.shown.size(), 1u);  // the first row already ends it
    }

    // A row without a file ends it at once.
    SelectFiles({}, 1);
    prompter.paths.push_back(Rom("GAME.NDS"));
    commands::ChangeTargetRom(Context());
    EXPECT_EQ(prompter.Transcript(), std::vector<std::string>{"error: It doesn't open DAT file."});
}

#ifndef _WIN32  // needs a child process or POSIX permissions
TEST_F(ChangeTargetRomTest, FailedWriteLeavesTheSlotAndStops) {
    const Bytes a = SlotWithFlag("A.DAT", 1, 263'168);
    SlotWithFlag("B.DAT", 1, 263'168);
    SelectFiles({"A.DAT", "B.DAT"});
    const auto order = SelectedInListOrder({"A.DAT", "B.DAT"});
    const Bytes firstBefore = ReadFile(Slot(order[0]));
    const Bytes secondBefore = ReadFile(Slot(order[1]));
    // The history holds these versions already, so only the card's own write can fail.
    ASSERT_TRUE(history::KeepBeforeChange(Context(), {"A.DAT", "B.DAT"}, "retarget"));
    prompter.paths.push_back(Rom("GAME.NDS"));
    const int status = RunInChild([&] {
        LimitFileSize(4096);
        commands::ChangeTargetRom(Context());
        // One confirmation, then the error: the second row is never asked about.
        return prompter.shown.size() == 2 && prompter.AnyFailure() &&
                       prompter.shown[1].caption == "error"
                   ? 0
                   : 1;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadFile(Slot(order[0])), firstBefore);
    EXPECT_EQ(ReadFile(Slot(order[1])), secondBefore);
    EXPECT_EQ(FolderEntries(card.SaveFolder(mode)), (std::vector<std::string>{"A.DAT", "B.DAT"}));
}
#endif

#ifndef _WIN32  // Windows names files its own way (8.3 aliases, letter case)
TEST_F(ChangeTargetRomTest, NoShortFormMeansAClearErrorAndNoWrite) {
    const Bytes a = SlotWithFlag("A.DAT", 1, 263'168);
    SelectFiles({"A.DAT"});
    prompter.paths.push_back(Rom("..."));
    commands::ChangeTargetRom(Context());
    EXPECT_EQ(ReadFile(Slot("A.DAT")), a);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].kind, Shown::Kind::Failure);
    EXPECT_NE(prompter.shown[0].text.find("No DAT file was changed."), std::string::npos);
}
#endif

TEST_F(ChangeTargetRomTest, ChainedRenameTakesTheFirstSelectedRowAndEndsTheWalk) {
    for (const char* name : {"A.DAT", "B.DAT", "C.DAT"}) {
        SlotWithFlag(name, 0, 263'168);
    }
    SelectFiles({"A.DAT", "B.DAT", "C.DAT"});
    const auto order = SelectedInListOrder({"A.DAT", "B.DAT", "C.DAT"});
    prompter.paths.push_back(Rom("GAME.NDS"));
    // First row declined; second changed and renamed: the rename takes the first row's file.
    prompter.answers = {false, true, true};
    prompter.newNames = {"FIRST"};
    commands::ChangeTargetRom(Context());

    EXPECT_EQ(prompter.newNameDialogs, 1);
    EXPECT_TRUE(fs::exists(Slot("FIRST.DAT")));
    EXPECT_FALSE(fs::exists(Slot(order[0])));
    EXPECT_EQ(Field(ReadFile(Slot("FIRST.DAT")), 0x40005, 11), Padded("OLDGAME NDS", 11));
    EXPECT_EQ(Field(ReadFile(Slot(order[1])), 0x40005, 11), Padded("GAME    NDS", 11));
    EXPECT_EQ(Field(ReadFile(Slot(order[2])), 0x40005, 11), Padded("OLDGAME NDS", 11));
    // The third row is never reached, and the user is told so.
    EXPECT_EQ(prompter.shown.size(), 4u);
    EXPECT_EQ(prompter.LastMessage().text,
              "The rename refreshed the list and ended the change.\nThese selected DAT files were "
              "left unchanged:\n" +
                  order[2]);
    EXPECT_GT(view.showCount, 0);
}

TEST_F(ChangeTargetRomTest, CancelledChainedRenameLetsTheWalkGoOn) {
    SlotWithFlag("A.DAT", 0, 263'168);
    SlotWithFlag("B.DAT", 0, 263'168);
    SelectFiles({"A.DAT", "B.DAT"});
    prompter.paths.push_back(Rom("GAME.NDS"));
    prompter.answers = {true, true, true, false};  // no name scripted: the dialog is cancelled
    commands::ChangeTargetRom(Context());
    EXPECT_EQ(prompter.newNameDialogs, 1);
    EXPECT_EQ(prompter.shown.size(), 4u);
    EXPECT_EQ(FolderEntries(card.SaveFolder(mode)), (std::vector<std::string>{"A.DAT", "B.DAT"}));
    for (const char* name : {"A.DAT", "B.DAT"}) {
        EXPECT_EQ(Field(ReadFile(Slot(name)), 0x40005, 11), Padded("GAME    NDS", 11));
    }
}

TEST(RomNames, ShortNameTextPadsCutsAndUpperCases) {
    EXPECT_EQ(games::ShortNameText("/roms/GAME.nds"), "GAME    NDS");
    EXPECT_EQ(games::ShortNameText("ABCDEFGH.GBA"), "ABCDEFGHGBA");
    EXPECT_EQ(games::ShortNameText("/r/noext"), "NOEXT   ");
    EXPECT_EQ(games::ShortNameText("/r/POKEMO~1.NDS"), "POKEMO~1NDS");
    const auto field = games::ShortNameField("NOEXT   ");
    EXPECT_EQ(Bytes(field.begin(), field.end()), Padded("NOEXT   ", 11));
}

}  // namespace
}  // namespace slotkit::test
