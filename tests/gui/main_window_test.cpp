#include <wx/uiaction.h>

#include <algorithm>
#include <filesystem>

#include "app/control_ids.h"
#include "app/slot_manager_dlg.h"
#include "gui_test_support.h"
#include "temp_card.h"

namespace slotkit::test {
namespace {

using app::CSlotManagerDlg;

// The width of the widest line of a control's text, trailing blanks left out.
int WidestLine(wxWindow* control) {
    int widest = 0;
    for (wxString line : wxSplit(wxControl::RemoveMnemonics(control->GetLabel()), '\n', '\0')) {
        widest = std::max(widest, control->GetTextExtent(line.Trim()).x);
    }
    return widest;
}

class MainWindowTest : public ::testing::Test {
  protected:
    TempCard card;
    std::vector<std::string> drives;
    wxWeakRef<CSlotManagerDlg> window;  // cleared when the window is destroyed

    void SetUp() override {
        window = new CSlotManagerDlg([this] { return drives; });
        window->Show();
        PumpEvents();
    }
    void TearDown() override {
        if (window && !window->IsBeingDeleted()) {
            window->Destroy();
        }
        PumpEvents();
    }

    wxListCtrl* List() const { return window->SlotList(); }
    wxString Cell(long row, int column) const { return List()->GetItemText(row, column); }
    void Click(int id) {
        wxCommandEvent event(wxEVT_BUTTON, id);
        event.SetEventObject(window->FindWindow(id));
        window->FindWindow(id)->GetEventHandler()->ProcessEvent(event);
    }
    void ChooseDrive(const std::string& root) {
        drives = {root};
        window->OnDropDownDrives();
        window->DriveList()->SetSelection(0);
        window->OnSelectDrive();
    }
};

TEST_F(MainWindowTest, StartsEmptyInNdsModeWithTheControlsInPlace) {
    EXPECT_EQ(window->GetTitle(), "Q9 Savedata manager <Q9-Slotkit2> - Ver1.40 english");
    EXPECT_EQ(List()->GetItemCount(), 0);
    EXPECT_EQ(List()->GetColumnCount(), 4);
    EXPECT_TRUE(window->DriveList()->IsListEmpty());
    EXPECT_EQ(window->DriveList()->GetValue(), "");
    EXPECT_EQ(window->EditModeValue(), 0);
    EXPECT_TRUE(static_cast<wxRadioButton*>(window->FindWindow(app::kModeNdsId))->GetValue());
    EXPECT_TRUE(window->CardRoot().empty());
    for (int id = app::kRefreshId; id <= app::kChangeTargetRomId; ++id) {
        EXPECT_NE(window->FindWindow(id), nullptr) << id;
    }
    const wxMenuBar* bar = window->GetMenuBar();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->GetMenuCount(), 1u);
    EXPECT_EQ(bar->GetMenuLabel(0), "Exit(&E)");
}

// A window that cannot be resized offers no maximize box and no resizing border.
TEST_F(MainWindowTest, FrameHasCaptionSystemMenuAndMinimizeBoxOnly) {
    EXPECT_TRUE(window->HasFlag(wxCAPTION));
    EXPECT_TRUE(window->HasFlag(wxSYSTEM_MENU));
    EXPECT_TRUE(window->HasFlag(wxMINIMIZE_BOX));
    EXPECT_FALSE(window->HasFlag(wxMAXIMIZE_BOX));
    EXPECT_FALSE(window->HasFlag(wxRESIZE_BORDER));
}

TEST_F(MainWindowTest, TitleBarAndTaskBarShowTheProgramIcon) {
    for (int size : {16, 32}) {
        const wxIcon icon =
            window->GetIcons().GetIcon(wxSize(size, size), wxIconBundle::FALLBACK_NONE);
        ASSERT_TRUE(icon.IsOk()) << size;
        EXPECT_EQ(icon.GetSize(), wxSize(size, size));
    }
}

TEST_F(MainWindowTest, NoControlOverlapsAnotherOrLeavesTheWindow) {
    const wxSize client = window->Panel()->GetClientSize();
    std::vector<wxWindow*> controls;
    for (wxWindow* child : window->Panel()->GetChildren()) {
        if (!child->IsKindOf(wxCLASSINFO(wxStaticBox))) {
            controls.push_back(child);
        }
        const wxRect r = child->GetRect();
        EXPECT_GE(r.x, 0);
        EXPECT_GE(r.y, 0);
        EXPECT_LE(r.GetRight(), client.x) << child->GetLabel();
        EXPECT_LE(r.GetBottom(), client.y) << child->GetLabel();
        EXPECT_GE(r.height, child->GetBestSize().y) << child->GetLabel();
        // No text is cut: labels and buttons hold their widest line (buttons with room for
        // their frame), radio buttons their best width.
        if (child->IsKindOf(wxCLASSINFO(wxRadioButton))) {
            EXPECT_GE(r.width, child->GetBestSize().x) << child->GetLabel();
        } else if (child->IsKindOf(wxCLASSINFO(wxStaticText)) ||
                   child->IsKindOf(wxCLASSINFO(wxButton))) {
            const int frame = child->IsKindOf(wxCLASSINFO(wxButton)) ? child->FromDIP(6) : 0;
            EXPECT_GE(r.width, WidestLine(child) + frame) << child->GetLabel();
        }
    }
    for (std::size_t i = 0; i < controls.size(); ++i) {
        for (std::size_t j = i + 1; j < controls.size(); ++j) {
            EXPECT_FALSE(controls[i]->GetRect().Intersects(controls[j]->GetRect()))
                << controls[i]->GetLabel() << " / " << controls[j]->GetLabel();
        }
    }
}

TEST_F(MainWindowTest, ColumnsFitTheirHeadersAndContent) {
    const char* samples[] = {"00", "MMMMMMMM.DAT", "MMMMMMMMNDS", "2026/12/31 23:59:59"};
    for (int column = 0; column < 4; ++column) {
        wxListItem item;
        item.SetMask(wxLIST_MASK_TEXT);
        List()->GetColumn(column, item);
        const int width = List()->GetColumnWidth(column);
        EXPECT_GT(width, List()->GetTextExtent(item.GetText()).x) << column;
        EXPECT_GT(width, List()->GetTextExtent(samples[column]).x) << column;
    }
}

TEST_F(MainWindowTest, ChoosingADriveListsItsCard) {
    card.WriteSlot(slots::EditMode::Nds, "A.DAT", slots::kNdsLayout.newFormSize, "MARIO   NDS");
    ChooseDrive(card.Root());
    EXPECT_EQ(window->CardRoot(), card.Root());
    ASSERT_EQ(List()->GetItemCount(), 100);
    EXPECT_EQ(Cell(0, 0), "00");
    EXPECT_EQ(Cell(0, 1), "A.DAT");
    EXPECT_EQ(Cell(0, 2), "MARIO   NDS");
    EXPECT_FALSE(Cell(0, 3).empty());
    EXPECT_EQ(Cell(99, 0), "99");
    EXPECT_EQ(Cell(1, 2), "File not found.");
}

TEST_F(MainWindowTest, DriveBoxIsRebuiltOnEveryDropDown) {
    drives = {"/media/b/", "/media/a/"};
    window->OnDropDownDrives();
    ASSERT_EQ(window->DriveList()->GetCount(), 2u);
    EXPECT_EQ(window->DriveList()->GetString(0), "/media/a/");  // the box sorts itself
    drives = {};
    window->OnDropDownDrives();
    EXPECT_TRUE(window->DriveList()->IsListEmpty());
    window->OnSelectDrive();  // nothing chosen: nothing changes
    EXPECT_TRUE(window->CardRoot().empty());
}

TEST_F(MainWindowTest, SwitchingToGbaOffersToCreateGamesave) {
    card.MakeSaveFolder(slots::EditMode::Nds);
    ChooseDrive(card.Root());
    auto* gba = static_cast<wxRadioButton*>(window->FindWindow(app::kModeGbaId));
    gba->SetValue(true);
    wxTEST_DIALOG(window->OnEditModeClicked(),
                  wxExpectModal<wxMessageDialog>(wxID_YES).Describe(
                      "GAMESAVE folder is not found.\nDoes it create?"));
    EXPECT_EQ(window->EditModeValue(), 1);
    EXPECT_TRUE(std::filesystem::is_directory(card.SaveFolder(slots::EditMode::Gba)));
    EXPECT_EQ(List()->GetItemCount(), 100);
}

TEST_F(MainWindowTest, RefreshWithoutADriveDoesNothing) {
    Click(app::kRefreshId);
    EXPECT_EQ(List()->GetItemCount(), 0);
}

TEST_F(MainWindowTest, ColumnClickChangesNothing) {
    card.WriteSlot(slots::EditMode::Nds, "B.DAT", slots::kNdsLayout.newFormSize, "BBBB    NDS");
    card.WriteSlot(slots::EditMode::Nds, "A.DAT", slots::kNdsLayout.newFormSize, "AAAA    NDS");
    ChooseDrive(card.Root());
    const wxString first = Cell(0, 1);
    wxListEvent event(wxEVT_LIST_COL_CLICK, app::kSlotListId);
    event.m_col = 1;
    event.SetEventObject(List());
    List()->GetEventHandler()->ProcessEvent(event);
    PumpEvents();
    EXPECT_EQ(Cell(0, 1), first);
    EXPECT_EQ(List()->GetItemCount(), 100);
}

TEST_F(MainWindowTest, EnterDoesNotCloseTheWindow) {
    List()->SetFocus();
    PumpEvents();
    TypeKeys([](wxUIActionSimulator& keys) { keys.Char(WXK_RETURN); });
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->IsShown());
    EXPECT_FALSE(window->IsBeingDeleted());
}

TEST_F(MainWindowTest, EscapeClosesTheWindow) {
    List()->SetFocus();
    PumpEvents();
    TypeKeys([](wxUIActionSimulator& keys) { keys.Char(WXK_ESCAPE); });
    EXPECT_TRUE(!window || window->IsBeingDeleted() || !window->IsShown());
}

TEST_F(MainWindowTest, ExitMenuClosesTheWindow) {
    wxCommandEvent event(wxEVT_MENU, app::kExitMenuId);
    window->GetEventHandler()->ProcessEvent(event);
    PumpEvents();
    EXPECT_TRUE(!window || window->IsBeingDeleted() || !window->IsShown());
}

}  // namespace
}  // namespace slotkit::test
