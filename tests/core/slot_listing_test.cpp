#include "slots/slot_listing.h"
#include "commands/refresh.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>

#include "card_fixture.h"
#include "commands/run_command.h"
#include "ports/slot_view.h"
#include "slots/slot_files.h"

namespace slotkit::test {
namespace {

namespace fs = std::filesystem;

class ListingTest : public CardTest {};

TEST_F(ListingTest, EmptyFolderGivesHundredRowsWithoutFiles) {
    card.MakeSaveFolder(slots::EditMode::Nds);
    commands::Refresh(Context());
    ASSERT_EQ(view.rows.size(), 100u);
    for (int i = 0; i < 100; ++i) {
        const ports::SlotRow& row = view.rows[i];
        EXPECT_EQ(row.number, (i < 10 ? "0" : "") + std::to_string(i));
        EXPECT_EQ(row.fileName, "");
        EXPECT_EQ(row.title, "File not found.");
        EXPECT_EQ(row.date, "");
    }
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(ListingTest, RowsFollowEnumerationOrderAndShowTitles) {
    card.WriteSlot(slots::EditMode::Nds, "B.DAT", slots::kNdsLayout.newFormSize, "POKEMON NDS");
    card.WriteSlot(slots::EditMode::Nds, "a.dat", slots::kOldFormSize,
                   std::string("\0XXXXXXXXXX", 11));
    card.WriteSlot(slots::EditMode::Nds, "C.Dat", slots::kNdsLayout.newFormSize, "MARIO   NDS");
    card.WriteSlot(slots::EditMode::Nds, "notes.txt", 10);
    commands::Refresh(Context());

    const std::vector<std::string> order = slots::ListSlotFiles(card.SaveFolder(mode).string());
    ASSERT_EQ(order.size(), 3u);
    std::map<std::string, std::string> titles;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(view.rows[i].fileName, order[i]);
        titles[view.rows[i].fileName] = view.rows[i].title;
        EXPECT_FALSE(view.rows[i].date.empty());
    }
    EXPECT_EQ(titles["B.DAT"], "POKEMON NDS");
    EXPECT_EQ(titles["a.dat"], "Not used");
    EXPECT_EQ(titles["C.Dat"], "MARIO   NDS");
    EXPECT_EQ(view.rows[3].title, "File not found.");
}

TEST_F(ListingTest, ShortNameStopsAtElevenBytesBeforeTheFlag) {
    Bytes slot =
        card.WriteSlot(slots::EditMode::Nds, "S.DAT", slots::kNdsLayout.newFormSize, "ABCDEFGHNDS");
    slot[slots::kNdsLayout.LongNameFlagOffset()] = 1;
    slot[slots::kNdsLayout.ShortNameOffset() + 11] = 'Z';  // the byte after the field
    WriteFile(card.SlotFile(mode, "S.DAT"), slot);
    commands::Refresh(Context());
    EXPECT_EQ(view.rows[0].title, "ABCDEFGHNDS");
}

TEST_F(ListingTest, OldFormAndItsCutShowTheSameName) {
    Bytes old = card.WriteSlot(slots::EditMode::Gba, "OLD.DAT", slots::kOldFormSize, "ZELDA   GBA");
    old.resize(slots::kGbaLayout.newFormSize);
    card.MakeSaveFolder(slots::EditMode::Gba);
    WriteFile(card.SlotFile(slots::EditMode::Gba, "NEW.DAT"), old);
    mode = slots::EditMode::Gba;
    commands::Refresh(Context());
    EXPECT_EQ(view.rows[0].title, "ZELDA   GBA");
    EXPECT_EQ(view.rows[1].title, "ZELDA   GBA");
}

TEST_F(ListingTest, TooShortSlotShowsNoUnreadBytes) {
    // Ends in the middle of the short name field, and right before it.
    card.WriteSlot(slots::EditMode::Nds, "CUT.DAT", slots::kNdsLayout.ShortNameOffset() + 5,
                   "ABCDEFGHNDS");
    card.WriteSlot(slots::EditMode::Nds, "EMPTY.DAT", 0);
    commands::Refresh(Context());
    EXPECT_EQ(view.rows[0].title, slots::kTitleTooShort);
    EXPECT_EQ(view.rows[1].title, slots::kTitleTooShort);
    EXPECT_FALSE(view.rows[0].date.empty());
}

TEST_F(ListingTest, OddBytesInTheNameKeepTheirNeighbours) {
    card.WriteSlot(slots::EditMode::Nds, "J.DAT", slots::kNdsLayout.newFormSize,
                   "AB\x82\xA0\xFF\x01XYNDS");
    commands::Refresh(Context());
    EXPECT_EQ(view.rows[0].title, "AB\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBDXYNDS");
}

TEST_F(ListingTest, DateIsLocalTimeWithoutLeadingZeros) {
    card.WriteSlot(slots::EditMode::Nds, "T.DAT", slots::kNdsLayout.newFormSize);
    std::tm tm{};
    tm.tm_year = 2005 - 1900, tm.tm_mon = 10, tm.tm_mday = 20;
    tm.tm_hour = 2, tm.tm_min = 53, tm.tm_sec = 5, tm.tm_isdst = -1;
    const std::time_t when = std::mktime(&tm);
    fs::last_write_time(
        card.SlotFile(mode, "T.DAT"),
        std::chrono::file_clock::from_sys(std::chrono::system_clock::from_time_t(when)));
    commands::Refresh(Context());
    EXPECT_EQ(view.rows[0].date, "2005/11/20 2:53:5");
}

TEST_F(ListingTest, FolderNamedLikeASlotIsNotListed) {
    card.MakeSaveFolder(slots::EditMode::Nds);
    fs::create_directory(card.SaveFolder(mode) / "DIR.DAT");
    card.WriteSlot(slots::EditMode::Nds, "REAL.DAT", slots::kNdsLayout.newFormSize);
    commands::Refresh(Context());
    EXPECT_EQ(view.rows[0].fileName, "REAL.DAT");
    EXPECT_EQ(view.rows[1].fileName, "");
}

TEST_F(ListingTest, OnlyTheFirstHundredFilesAreShown) {
    card.MakeSaveFolder(slots::EditMode::Nds);
    for (int i = 0; i < 103; ++i) {
        WriteFile(card.SlotFile(mode, "S" + std::to_string(i) + ".DAT"), Bytes(16));
    }
    commands::Refresh(Context());
    ASSERT_EQ(view.rows.size(), 100u);
    EXPECT_FALSE(view.rows[99].fileName.empty());
}

TEST_F(ListingTest, EachModeListsItsOwnFolder) {
    card.WriteSlot(slots::EditMode::Nds, "DS.DAT", slots::kNdsLayout.newFormSize, "DSGAME  NDS");
    card.WriteSlot(slots::EditMode::Gba, "GBA.DAT", slots::kGbaLayout.newFormSize, "GBGAME  GBA");
    commands::Refresh(Context());
    EXPECT_EQ(view.rows[0].fileName, "DS.DAT");
    mode = slots::EditMode::Gba;
    commands::Refresh(Context());
    EXPECT_EQ(view.rows[0].fileName, "GBA.DAT");
    EXPECT_EQ(view.rows[0].title, "GBGAME  GBA");
    EXPECT_EQ(view.rows[1].fileName, "");
}

TEST_F(ListingTest, MissingFolderAnsweredNoLeavesTheListEmpty) {
    prompter.answers = {false};
    commands::Refresh(Context());
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "NDSSAVE folder is not found.\nDoes it create?");
    EXPECT_EQ(prompter.shown[0].caption, "message");
    EXPECT_TRUE(view.rows.empty());
    EXPECT_FALSE(fs::exists(card.SaveFolder(slots::EditMode::Nds)));
}

TEST_F(ListingTest, MissingFolderAnsweredYesIsCreatedAndListed) {
    mode = slots::EditMode::Gba;
    prompter.answers = {true};
    commands::Refresh(Context());
    EXPECT_EQ(prompter.shown.at(0).text, "GAMESAVE folder is not found.\nDoes it create?");
    EXPECT_TRUE(fs::is_directory(card.SaveFolder(slots::EditMode::Gba)));
    EXPECT_FALSE(fs::exists(card.SaveFolder(slots::EditMode::Nds)));
    EXPECT_EQ(view.rows.size(), 100u);
}

TEST_F(ListingTest, FolderThatCannotBeCreatedSaysSo) {
    const std::string root = (card.Dir() / "no-such-card").string() + "/";
    prompter.answers = {true};
    commands::Refresh(slots::CommandContext{root, mode, prompter, view});
    const Shown last = prompter.LastMessage();
    EXPECT_EQ(last.kind, Shown::Kind::Failure);
    EXPECT_EQ(last.text, "A memory card isn't set in the drive.");
    EXPECT_EQ(last.caption, "The folder can not be created.");
    EXPECT_TRUE(view.rows.empty());
    EXPECT_FALSE(fs::exists(card.Dir() / "no-such-card"));
}

// A card taken out leaves its empty mount folder behind on the system disk: neither a command
// nor the refresh at a command's end may offer to make the save folder there.
TEST_F(ListingTest, ACardNoLongerInItsDriveIsSaidToBeGone) {
    slots::CommandContext context = Context();
    context.cardInDrive = [] { return false; };
    view.rows = {ports::SlotRow{"00", "GONE.DAT", "X", ""}};
    bool ran = false;
    commands::RunCommand(context, [&](const slots::CommandContext&) { ran = true; });
    EXPECT_FALSE(ran);
    EXPECT_TRUE(view.rows.empty());
    commands::Refresh(context);
    EXPECT_EQ(prompter.Transcript(),
              (std::vector<std::string>{"Alert: A memory card isn't set in the drive.",
                                        "Alert: A memory card isn't set in the drive."}));
    EXPECT_TRUE(prompter.AnyFailure());
    EXPECT_FALSE(fs::exists(card.SaveFolder(slots::EditMode::Nds)));
}

TEST_F(ListingTest, NoCardRootChangesNothing) {
    view.rows = {ports::SlotRow{"00", "KEEP.DAT", "X", ""}};
    view.selected = {0};
    commands::Refresh(slots::CommandContext{"", mode, prompter, view});
    EXPECT_EQ(view.rows.size(), 1u);
    EXPECT_EQ(view.selected.size(), 1u);
    EXPECT_EQ(view.showCount, 0);
}

TEST_F(ListingTest, RefreshLeavesNoRowSelected) {
    card.WriteSlot(slots::EditMode::Nds, "A.DAT", slots::kNdsLayout.newFormSize);
    ListAndSelect({0, 5});
    commands::Refresh(Context());
    EXPECT_EQ(view.NextSelected(-1), -1);
}

}  // namespace
}  // namespace slotkit::test
