// The main window's controls and where they sit: the window's own dialog-unit arrangement,
// grown on GTK where its controls need more room.
#include "app/slot_manager_dlg.h"

#include <wx/settings.h>
#include <wx/statbox.h>
#include <wx/stattext.h>

#include <algorithm>

#include "app/control_ids.h"
#include "app/dialog_units.h"

namespace slotkit::app {

namespace {

constexpr int kWidthDu = 363;
constexpr int kHeightDu = 296;

struct CommandButton {
    int id;
    const char* label;
    DialogRect rect;
};

// In tab order. The "Extra" buttons are placed top to bottom by their y.
constexpr CommandButton kBackupButtons[] = {
    {kBackupId, "Memorycard >> PC", {255, 30, 100, 20}},
    {kRestoreId, "Memorycard << PC", {255, 55, 100, 20}},
};
constexpr CommandButton kExtraButtons[] = {
    {kMakeDummyId, "Make dummy && Init-slot", {255, 111, 100, 20}},
    {kConvertId, "Convert NDS 1024KB->257KB\n           GBA 1024KB->129KB", {255, 132, 100, 20}},
    {kRenameId, "Rename DAT file", {255, 153, 100, 20}},
    {kDeleteId, "Delete DAT file", {255, 174, 100, 20}},
    {kImportId, "Q9 << anotherSAVE inport", {255, 220, 100, 20}},
    {kExportId, "Q9 >> anotherSAVE export", {255, 241, 100, 20}},
    {kChangeTargetRomId, "Change Target ROM", {255, 195, 100, 20}},
};

}  // namespace

void CSlotManagerDlg::CreateControls() {
    // Creation order is tab order.
    slotList_ = new wxListCtrl(panel_, kSlotListId, wxDefaultPosition, wxDefaultSize,
                               wxLC_REPORT | wxBORDER_SUNKEN);
    driveLabel_ = new wxStaticText(panel_, wxID_ANY, "Select CF/SD card drive");
    // A combo box drawn by wx: GTK's own opens no list while it is empty, so it could never be
    // filled on opening.
    driveList_ = new wxOwnerDrawnComboBox(panel_, kDriveListId, wxEmptyString, wxDefaultPosition,
                                          wxDefaultSize, 0, nullptr,
                                          wxCB_DROPDOWN | wxCB_READONLY | wxCB_SORT);
    modeLabel_ = new wxStaticText(panel_, wxID_ANY, "EditMode : ");
    modeNds_ =
        new wxRadioButton(panel_, kModeNdsId, "NDS", wxDefaultPosition, wxDefaultSize, wxRB_GROUP);
    modeGba_ = new wxRadioButton(panel_, kModeGbaId, "GBA");
    refresh_ = new wxButton(panel_, kRefreshId, "Refresh");
    backupBox_ = new wxStaticBox(panel_, wxID_ANY, "Backup && Restore");
    for (const CommandButton& b : kBackupButtons) {
        new wxButton(panel_, b.id, b.label);
    }
    extraBox_ = new wxStaticBox(panel_, wxID_ANY, "Extra");
    for (const CommandButton& b : kExtraButtons) {
        new wxButton(panel_, b.id, b.label);
    }
    slotView_ = std::make_unique<SlotListView>(slotList_);
    slotView_->SetOnChange([this] { OnListingChanged(); });
    // Files dragged from the file manager onto the list. On Windows this is the shell's plain
    // file drop, which needs no OLE drop target: registering one costs the window's start-up
    // milliseconds and megabytes for a feature most starts never use.
    slotList_->DragAcceptFiles(true);
}

#ifdef __WXGTK__
// The layout keeps the window's dialog-unit arrangement and grows where GTK's controls need
// more room than the layout gives them: taller buttons push the ones below them down, and the
// list widens until all four columns show.
void CSlotManagerDlg::LayOut() {
    const DialogUnits du(panel_);
    const int gap = du.Size(4, 0).x;

    // The list: wide enough for its columns and a vertical scroll bar.
    int columnsWidth = 0;
    for (int i = 0; i < slotList_->GetColumnCount(); ++i) {
        columnsWidth += slotList_->GetColumnWidth(i);
    }
    const int listWidth =
        std::max(du.Size(240, 0).x, columnsWidth + wxSystemSettings::GetMetric(wxSYS_VSCROLL_X) +
                                        slotList_->FromDIP(8));
    const int left = du.Point(5, 0).x;
    const int listRight = left + listWidth;

    // Top row: the drive label, the drive box up to the list's right edge (mount points are
    // longer than drive letters), and the mode switch above the command column.
    const int rowTop = du.Point(0, 3).y;
    du.Place(driveList_, {80, 3, 30, 12});
    const int rowHeight = driveList_->GetSize().y;
    auto onRow = [&](wxWindow* w, int x, int minWidth) {
        const wxSize best = w->GetBestSize();
        w->SetSize(x, rowTop + (rowHeight - best.y) / 2, std::max(minWidth, best.x), best.y);
        return x + std::max(minWidth, best.x);
    };
    const int labelRight = onRow(driveLabel_, du.Point(6, 0).x, du.Size(74, 0).x);
    driveList_->SetSize(labelRight + gap / 2, rowTop, listRight - labelRight - gap / 2, rowHeight);
    const int columnLeft = listRight + du.Size(5, 0).x;
    int x = onRow(modeLabel_, columnLeft + du.Size(2, 0).x, du.Size(34, 0).x);
    x = onRow(modeNds_, x, du.Size(29, 0).x) + du.Size(1, 0).x;
    const int rowRight = onRow(modeGba_, x, du.Size(30, 0).x);

    const int listTop = std::max(du.Point(0, 20).y, rowTop + rowHeight + du.Size(0, 2).y);
    slotList_->SetSize(left, listTop, listWidth, du.Size(0, 260).y);
    const int refreshTop = listTop + slotList_->GetSize().y + du.Size(0, 1).y;
    refresh_->SetSize(left, refreshTop, listWidth,
                      std::max(du.Size(0, 10).y, refresh_->GetBestSize().y));
    int bottom = refreshTop + refresh_->GetSize().y;

    // The command column: group boxes of buttons, each button at its own y or below the one
    // above it, whichever is lower.
    int buttonWidth = du.Size(100, 0).x;
    auto widen = [&](const auto& buttons) {
        for (const CommandButton& b : buttons) {
            buttonWidth = std::max(buttonWidth, panel_->FindWindow(b.id)->GetBestSize().x);
        }
    };
    widen(kBackupButtons);
    widen(kExtraButtons);
    const int boxWidth = buttonWidth + du.Size(10, 0).x;
    const int shiftDown = std::max(0, rowTop + rowHeight - du.Point(0, 15).y);
    auto column = [&](wxStaticBox* box, DialogRect boxRect, const auto& buttons, int minTop) {
        const int boxTop = std::max(du.Point(0, boxRect.y).y + shiftDown, minTop);
        const int delta = boxTop - du.Point(0, boxRect.y).y;
        std::vector<const CommandButton*> byY;
        for (const CommandButton& b : buttons) {
            byY.push_back(&b);
        }
        std::sort(byY.begin(), byY.end(), [](auto* a, auto* b) { return a->rect.y < b->rect.y; });
        int next = 0;
        for (const CommandButton* b : byY) {
            wxWindow* button = panel_->FindWindow(b->id);
            const int top = std::max(du.Point(0, b->rect.y).y + delta, next);
            const int height = std::max(du.Size(0, b->rect.height).y, button->GetBestSize().y);
            button->SetSize(columnLeft + du.Size(5, 0).x, top, buttonWidth, height);
            next = top + height + du.Size(0, 1).y;
        }
        const int boxBottom =
            std::max(boxTop + du.Size(0, boxRect.height).y, next + du.Size(0, 4).y);
        box->SetSize(columnLeft, boxTop, boxWidth, boxBottom - boxTop);
        return boxBottom;
    };
    const int backupBottom = column(backupBox_, {250, 15, 110, 70}, kBackupButtons, 0);
    bottom = std::max(bottom, column(extraBox_, {250, 95, 110, 175}, kExtraButtons,
                                     backupBottom + du.Size(0, 4).y));

    const wxSize designed = du.Size(kWidthDu, kHeightDu);
    const int right = std::max(columnLeft + boxWidth, rowRight) + du.Size(3, 0).x;
    SetClientSize(std::max(designed.x, right), std::max(designed.y, bottom + du.Size(0, 3).y));
}
#else
// Windows controls fit the window's dialog units as they are: every control at its own place.
void CSlotManagerDlg::LayOut() {
    const DialogUnits du(panel_);
    du.Place(slotList_, {5, 20, 240, 260});
    du.Place(driveLabel_, {6, 6, 74, 8});
    du.Place(driveList_, {80, 3, 30, 12});  // the closed box; its list opens below it
    // Where the system font needs more room for the drive label than "MS UI Gothic" does, the
    // label grows and the drive box moves right by as much; there is room up to "EditMode".
    const int overflow = driveLabel_->GetBestSize().x - driveLabel_->GetSize().x;
    if (overflow > 0) {
        driveLabel_->SetSize(driveLabel_->GetSize() + wxSize(overflow, 0));
        driveList_->Move(driveList_->GetPosition() + wxPoint(overflow, 0));
    }
    du.Place(modeLabel_, {130, 6, 34, 8});
    du.Place(modeNds_, {164, 5, 29, 10});
    du.Place(modeGba_, {194, 5, 30, 10});
    du.Place(refresh_, {5, 280, 240, 10});
    du.Place(backupBox_, {250, 15, 110, 70});
    du.Place(extraBox_, {250, 95, 110, 175});
    for (const CommandButton& b : kBackupButtons) {
        du.Place(panel_->FindWindow(b.id), b.rect);
    }
    for (const CommandButton& b : kExtraButtons) {
        du.Place(panel_->FindWindow(b.id), b.rect);
    }
    SetClientSize(du.Size(kWidthDu, kHeightDu));
}
#endif

}  // namespace slotkit::app
