// The window driven as the user drives it: the pointer moved and the buttons and keys pressed
// through the system, so that a click landing on the wrong row or a key the window never sees
// fails the test.

#include <filesystem>

#include "app/control_ids.h"
#include "app/history_dlg.h"
#include "app/slot_manager_dlg.h"
#include "temp_card.h"
#include "window_fixture.h"

namespace slotkit::test {
namespace {

namespace fs = std::filesystem;
using app::CHistoryDlg;

class RealInputTest : public CardWindowTest {
  protected:
    // Three slots whose saves differ; gives each row's bytes, in list order.
    std::vector<Bytes> ThreeSlots() {
        for (const char* name : {"A.DAT", "B.DAT", "C.DAT"}) {
            Bytes slot = card.WriteSlot(slots::EditMode::Nds, name, slots::kNdsLayout.newFormSize);
            std::fill(slot.begin() + 300, slot.begin() + slots::kNdsLayout.saveRegionSize, 0xFF);
            slot[0] = static_cast<std::uint8_t>(name[0]);
            WriteFile(card.SlotFile(slots::EditMode::Nds, name), slot);
        }
        OpenCard();
        std::vector<Bytes> rows;
        for (long row = 0; row < 3; ++row) {
            rows.push_back(
                ReadFile(card.SlotFile(slots::EditMode::Nds, Cell(row, 1).utf8_string())));
        }
        return rows;
    }
};

// Opens the drive box with a real click on its button.
void OpenDriveList(wxOwnerDrawnComboBox* box) {
    const wxSize size = box->GetSize();
    const wxPoint button = box->ClientToScreen(wxPoint(size.x - size.y / 2, size.y / 2));
    TypeKeys(
        [button](wxUIActionSimulator& input) {
            input.MouseMove(button);
            input.MouseClick();
        },
        700);
}

TEST_F(RealInputTest, RightClickActsOnTheRowUnderThePointerWithOneMenu) {
    const std::vector<Bytes> rows = ThreeSlots();
    ASSERT_TRUE(SelectedRows().empty());

    // Nothing selected: the row clicked, not the one below it, and one menu.
    EXPECT_EQ(RightClickAt(RowOnScreen(0)), 1);
    EXPECT_EQ(SelectedRows(), std::vector<long>{0});

    // Another row while one is selected: that row alone.
    EXPECT_EQ(RightClickAt(RowOnScreen(2)), 1);
    EXPECT_EQ(SelectedRows(), std::vector<long>{2});

    // The menu's command acts on it: "Export to a new file..." writes row 1's save.
    chosenPaths = {(card.PcFolder() / "one.sav").string()};
    int menus = 0;
    wxTEST_DIALOG(menus = RightClickAt(RowOnScreen(1),
                                       [](wxUIActionSimulator& input) {
                                           input.Char(WXK_DOWN);
                                           input.Char(WXK_RETURN);
                                       }),
                  ExpectMessage("true", kExportedWithAGuessedSize));
    EXPECT_EQ(menus, 1);
    EXPECT_EQ(SelectedRows(), std::vector<long>{1});
    EXPECT_EQ(ReadFile(card.PcFolder() / "one.sav"), Bytes(rows[1].begin(), rows[1].begin() + 512));
}

TEST_F(RealInputTest, RightClickInAScrolledListAndBelowTheLastRow) {
    ThreeSlots();
    wxListCtrl* list = window->SlotList();
    list->EnsureVisible(99);
    PumpEvents();
    const long top = list->GetTopItem();
    ASSERT_GT(top, 0);
    EXPECT_EQ(RightClickAt(RowOnScreen(top + 1)), 1);
    EXPECT_EQ(SelectedRows(), std::vector<long>{top + 1});

    // Below the last row, where the list has room for it: nothing is selected, and the menu
    // says what its commands need.
    wxRect last;
    list->GetItemRect(99, last);
    const wxPoint below(last.x + last.width / 3, last.GetBottom() + 4);
    if (below.y >= list->GetClientSize().y - 2) {
        GTEST_SKIP() << "the last row ends at the bottom of the list";
    }
    bool saysWhatItNeeds = false;
    EXPECT_EQ(RightClickAt(list->ClientToScreen(below), {},
                           [&](wxMenu* menu) {
                               saysWhatItNeeds = menu != nullptr &&
                                                 menu->FindItem(app::kNoRowMenuId) &&
                                                 !menu->IsEnabled(app::kExportNewMenuId);
                           }),
              1);
    EXPECT_TRUE(SelectedRows().empty());
    EXPECT_TRUE(saysWhatItNeeds);
}

TEST_F(RealInputTest, PutBackWithTheCardGoneWritesNothing) {
    card.WriteSlot(slots::EditMode::Nds, "A.DAT", slots::kNdsLayout.newFormSize);
    OpenCard();
    window->SlotList()->SetItemState(0, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    wxTEST_DIALOG(
        Click(app::kDeleteId),
        ExpectMessage("<< Alert >>", "Deletes a chosen file.\nDoes it execute really?", wxID_YES));
    ASSERT_FALSE(fs::exists(card.SlotFile(slots::EditMode::Nds, "A.DAT")));

    // "History..." from the menu, the card taken out (its mount folder stays), "Put back".
    int menus = 0;
    wxTEST_DIALOG(menus = RightClickAt(RowOnScreen(0),
                                       [](wxUIActionSimulator& input) {
                                           input.Char(WXK_DOWN);
                                           input.Char(WXK_DOWN);
                                           input.Char(WXK_RETURN);
                                       }),
                  ExpectWith<CHistoryDlg>([&](CHistoryDlg* dialog) {
                      EXPECT_EQ(dialog->Versions()->GetItemCount(), 1);
                      cardInserted = false;
                      fs::remove_all(card.SaveFolder(slots::EditMode::Nds));
                      dialog->Show();
                      ClickOn(dialog->PutBackButton());
                      ClickOn(dialog->PutBackButton());
                      return wxID_CANCEL;
                  }),
                  ExpectMessage("Alert", "A memory card isn't set in the drive."),
                  ExpectMessage("Alert", "A memory card isn't set in the drive."));
    EXPECT_EQ(menus, 1) << "the menu opened again after the dialog closed";
    EXPECT_FALSE(fs::exists(card.SaveFolder(slots::EditMode::Nds)));
}

TEST_F(RealInputTest, EscapeWithTheDriveListOpenClosesTheListOnly) {
    OpenDriveList(window->DriveList());
    ASSERT_TRUE(window->DriveList()->IsPopupShown());
    TypeKeys([](wxUIActionSimulator& keys) { keys.Char(WXK_ESCAPE); });
    ASSERT_FALSE(WindowClosed());
    EXPECT_FALSE(window->DriveList()->IsPopupShown());

    window->SlotList()->SetFocus();
    TypeKeys([](wxUIActionSimulator& keys) { keys.Char(WXK_ESCAPE); });
    EXPECT_TRUE(WindowClosed());
}

// The keys of each step go at once: on Windows F10 enters the menu bar's own loop, which takes
// the keys after it.
TEST_F(RealInputTest, F10GoesToTheMenuBarAndOnlyExitEndsTheProgram) {
    window->SlotList()->SetFocus();
    TypeKeys([](wxUIActionSimulator& keys) {
        keys.Char(WXK_F10);
        keys.Char(WXK_ESCAPE);
    });
    ASSERT_FALSE(WindowClosed()) << "F10, or Escape on the menu bar, closed the window";

    TypeKeys([](wxUIActionSimulator& keys) {
        keys.Char(WXK_F10);
        keys.Char(WXK_DOWN);
        keys.Char(WXK_RETURN);
    });
    EXPECT_TRUE(WindowClosed());
}

}  // namespace
}  // namespace slotkit::test
