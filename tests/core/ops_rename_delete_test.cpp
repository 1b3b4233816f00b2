#include <gtest/gtest.h>

#include <filesystem>

#include "base/row_number.h"
#include "commands/rename_delete.h"
#include "ops_fixture.h"
#include "slots/slot_listing.h"

namespace slotkit::test {
namespace {

namespace fs = std::filesystem;

class RenameDeleteTest : public OpsTest {};

TEST_F(RenameDeleteTest, RenameChangesOnlyTheFirstSelectedRowInTheModesFolder) {
    mode = slots::EditMode::Gba;
    std::map<std::string, Bytes> before;
    for (const char* name : {"A.DAT", "B.DAT", "C.DAT"}) {
        before[name] = card.WriteSlot(mode, name, 132'096);
    }
    card.WriteSlot(slots::EditMode::Nds, "A.DAT", 263'168);
    SelectFiles({"A.DAT", "B.DAT", "C.DAT"});
    const std::vector<std::string> order = SelectedInListOrder({"A.DAT", "B.DAT", "C.DAT"});
    prompter.newNames = {"renamed"};
    commands::RenameSlot(Context());

    EXPECT_EQ(ReadFile(Slot("renamed.DAT")), before[order[0]]);
    EXPECT_FALSE(fs::exists(Slot(order[0])));
    EXPECT_EQ(ReadFile(Slot(order[1])), before[order[1]]);
    EXPECT_EQ(ReadFile(Slot(order[2])), before[order[2]]);
    EXPECT_TRUE(fs::exists(card.SlotFile(slots::EditMode::Nds, "A.DAT")));
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_GT(view.showCount, 0);
    EXPECT_NE(RowOf("renamed.DAT"), -1);
}

TEST_F(RenameDeleteTest, RenameNeverReplacesAnExistingFile) {
    const Bytes a = card.WriteSlot(mode, "A.DAT", 263'168);
    const Bytes b = card.WriteSlot(mode, "B.DAT", 263'168);
    SelectFiles({"A.DAT"});
    prompter.newNames = {"B"};
    commands::RenameSlot(Context());
    EXPECT_EQ(ReadFile(Slot("A.DAT")), a);
    EXPECT_EQ(ReadFile(Slot("B.DAT")), b);
    EXPECT_EQ(prompter.Transcript(),
              std::vector<std::string>{"error: Failed!\nRow " + base::RowNumber(RowOf("A.DAT")) +
                                       ", A.DAT: B.DAT already exists."});
    EXPECT_TRUE(prompter.AnyFailure());
    EXPECT_GT(view.showCount, 0);
}

#ifndef _WIN32  // Windows names files its own way (8.3 aliases, letter case)
TEST_F(RenameDeleteTest, CaseOnlyRenameWorksButASecondHardLinkIsATakenName) {
    const Bytes a = card.WriteSlot(mode, "save.dat", 263'168);
    SelectFiles({"save.dat"});
    prompter.newNames = {"SAVE.DAT"};
    commands::RenameSlot(Context());
    EXPECT_EQ(FolderEntries(card.SaveFolder(mode)), std::vector<std::string>{"SAVE.DAT"});
    EXPECT_EQ(ReadFile(Slot("SAVE.DAT")), a);
    EXPECT_TRUE(prompter.shown.empty());

    // Two names of one file that differ in case only: renaming one onto the other would drop
    // a name, so it is refused like any taken name.
    fs::create_hard_link(Slot("SAVE.DAT"), Slot("save.dat"));
    SelectFiles({"save.dat"});
    prompter.newNames = {"SAVE.DAT"};
    commands::RenameSlot(Context());
    EXPECT_EQ(FolderEntries(card.SaveFolder(mode)),
              (std::vector<std::string>{"SAVE.DAT", "save.dat"}));
    EXPECT_EQ(prompter.Transcript(),
              std::vector<std::string>{"error: Failed!\nRow " + base::RowNumber(RowOf("save.dat")) +
                                       ", save.dat: SAVE.DAT already exists."});
}
#endif

TEST_F(RenameDeleteTest, RowWithoutFileNeverMovesTheSaveFolder) {
    card.MakeSaveFolder(mode);
    SelectFiles({}, 1);
    prompter.newNames = {"MOVED"};
    commands::RenameSlot(Context());
    EXPECT_TRUE(fs::is_directory(card.SaveFolder(mode)));
    EXPECT_EQ(FolderEntries(card.Dir() / "card"), std::vector<std::string>{"NDSSAVE"});
    EXPECT_EQ(FolderEntries(card.SaveFolder(mode)), std::vector<std::string>{});
    EXPECT_EQ(prompter.Transcript(),
              std::vector<std::string>{"error: Failed!\nRow 00 has no DAT file to rename."});
    EXPECT_GT(view.showCount, 0);
}

TEST_F(RenameDeleteTest, RenameRefusesNamesThatAreNotPlain) {
    const Bytes a = card.WriteSlot(mode, "A.DAT", 263'168);
    for (const std::string& name :
         {std::string("../x"), std::string("sub/x"), std::string(".."), std::string(300, 'n')}) {
        SelectFiles({"A.DAT"});
        prompter.newNames = {name};
        commands::RenameSlot(Context());
        EXPECT_EQ(ReadFile(Slot("A.DAT")), a) << name;
        EXPECT_EQ(prompter.shown.size(), 1u) << name;
        EXPECT_TRUE(prompter.AnyFailure()) << name;
    }
    EXPECT_EQ(FolderEntries(card.SaveFolder(mode)), std::vector<std::string>{"A.DAT"});
    EXPECT_EQ(FolderEntries(card.Dir() / "card"), std::vector<std::string>{"NDSSAVE"});
}

TEST_F(RenameDeleteTest, CancelledOrEmptyNameChangesNothingAndKeepsTheSelection) {
    card.WriteSlot(mode, "A.DAT", 263'168);
    for (const std::optional<std::string>& answer :
         {std::optional<std::string>{}, std::optional<std::string>{""}}) {
        SelectFiles({"A.DAT"});
        prompter.newNames = {answer};
        commands::RenameSlot(Context());
        EXPECT_EQ(view.showCount, 0);
        EXPECT_FALSE(view.selected.empty());
        EXPECT_TRUE(prompter.shown.empty());
    }
    EXPECT_EQ(FolderEntries(card.SaveFolder(mode)), std::vector<std::string>{"A.DAT"});
}

TEST_F(RenameDeleteTest, DeleteRemovesTheSelectedFilesOfTheModeOnly) {
    mode = slots::EditMode::Gba;
    card.WriteSlot(mode, "A.DAT", 132'096);
    card.WriteSlot(mode, "B.DAT", 132'096);
    card.WriteSlot(slots::EditMode::Nds, "A.DAT", 263'168);
    SelectFiles({"A.DAT"}, 1);
    commands::DeleteSlots(Context());
    EXPECT_EQ(FolderEntries(card.SaveFolder(mode)), std::vector<std::string>{"B.DAT"});
    EXPECT_TRUE(fs::exists(card.SlotFile(slots::EditMode::Nds, "A.DAT")));
    EXPECT_EQ(
        prompter.Transcript(),
        std::vector<std::string>{"<< Alert >>: Deletes a chosen file.\nDoes it execute really?"});
    EXPECT_EQ(RowOf("B.DAT"), 0);
}

TEST_F(RenameDeleteTest, DeleteNeverRemovesTheSaveFolder) {
    card.MakeSaveFolder(mode);
    SelectFiles({}, 3);
    commands::DeleteSlots(Context());
    EXPECT_TRUE(fs::is_directory(card.SaveFolder(mode)));
    EXPECT_GT(view.showCount, 0);

    // Answered No: nothing is deleted and the list stays.
    card.WriteSlot(mode, "A.DAT", 263'168);
    SelectFiles({"A.DAT"});
    prompter.answers = {false};
    commands::DeleteSlots(Context());
    EXPECT_TRUE(fs::exists(Slot("A.DAT")));
    EXPECT_EQ(view.showCount, 0);
}

TEST_F(RenameDeleteTest, DeleteReportsAFileItCouldNotRemove) {
    card.WriteSlot(mode, "A.DAT", 263'168);
    card.WriteSlot(mode, "B.DAT", 263'168);
    SelectFiles({"A.DAT", "B.DAT"});
    // B.DAT has become a folder with a save inside since the listing.
    fs::remove(Slot("B.DAT"));
    fs::create_directory(Slot("B.DAT"));
    WriteFile(Slot("B.DAT") / "inner", Bytes(3, 1));
    commands::DeleteSlots(Context());
    EXPECT_FALSE(fs::exists(Slot("A.DAT")));
    EXPECT_TRUE(fs::exists(Slot("B.DAT") / "inner"));
    EXPECT_EQ(prompter.LastMessage().caption, "error");
    EXPECT_NE(prompter.LastMessage().text.find("B.DAT"), std::string::npos);
    EXPECT_TRUE(prompter.AnyFailure());
}

}  // namespace
}  // namespace slotkit::test
