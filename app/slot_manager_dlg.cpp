#include "app/slot_manager_dlg.h"

#include <wx/menu.h>
#include <wx/statbox.h>
#include <wx/stattext.h>

#include <algorithm>

#include "app/control_ids.h"
#include "app/dialog_units.h"
#include "app/slot_icon.h"
#include "app/wx_text.h"
#include "card/slot_listing.h"
#include "exchange/export_save.h"
#include "exchange/import_save.h"
#include "ops/backup_restore.h"
#include "ops/change_target_rom.h"
#include "ops/rename_delete.h"
#include "ops/slot_creation.h"

namespace slotkit::app {

namespace {

constexpr const char* kCaption = "Q9 Savedata manager <Q9-Slotkit2> - Ver1.40 english";
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

CSlotManagerDlg::CSlotManagerDlg(DriveSource drives)
    : wxFrame(nullptr, wxID_ANY, kCaption, wxDefaultPosition, wxDefaultSize,
              wxCAPTION | wxSYSTEM_MENU | wxMINIMIZE_BOX | wxCLOSE_BOX),
      driveSource_(std::move(drives)),
      prompter_(this) {
    SetIcons(SlotIconBundle());
    auto* menu = new wxMenu;
    menu->Append(kExitMenuId, "Exit(&E)");
    auto* bar = new wxMenuBar;
    bar->Append(menu, "Exit(&E)");
    SetMenuBar(bar);

    panel_ = new wxPanel(this, wxID_ANY);
    panel_->SetFont(LayoutFont("MS UI Gothic", 9));
    CreateControls();
    LayOut();
    BindEvents();
    OnInitDialog();
}

void CSlotManagerDlg::CreateControls() {
    // Creation order is tab order.
    slotList_ = new wxListCtrl(panel_, kSlotListId, wxDefaultPosition, wxDefaultSize,
                               wxLC_REPORT | wxBORDER_SUNKEN);
    new wxStaticText(panel_, wxID_ANY, "Select CF/SD card drive");
    driveList_ = new wxComboBox(panel_, kDriveListId, wxEmptyString, wxDefaultPosition,
                                wxDefaultSize, 0, nullptr, wxCB_DROPDOWN | wxCB_READONLY | wxCB_SORT);
    new wxStaticText(panel_, wxID_ANY, "EditMode : ");
    modeNds_ = new wxRadioButton(panel_, kModeNdsId, "NDS", wxDefaultPosition, wxDefaultSize,
                                 wxRB_GROUP);
    modeGba_ = new wxRadioButton(panel_, kModeGbaId, "GBA");
    new wxButton(panel_, kRefreshId, "Refresh");
    new wxStaticBox(panel_, wxID_ANY, "Backup && Restore");
    for (const CommandButton& b : kBackupButtons) {
        new wxButton(panel_, b.id, b.label);
    }
    new wxStaticBox(panel_, wxID_ANY, "Extra");
    for (const CommandButton& b : kExtraButtons) {
        new wxButton(panel_, b.id, b.label);
    }
    slotView_ = std::make_unique<SlotListView>(slotList_);
}

void CSlotManagerDlg::LayOut() {
    const DialogUnits du(panel_);
    const wxWindowList& children = panel_->GetChildren();
    auto child = [&](std::size_t index) { return children[index]; };
    // Indexes follow the creation order above.
    wxWindow* driveLabel = child(1);
    wxWindow* modeLabel = child(3);
    wxWindow* refresh = child(6);
    wxWindow* backupBox = child(7);
    wxWindow* extraBox = child(10);

    // Top row. Mount points are longer than drive letters, so the drive box takes the width
    // up to the list's right edge and the mode switch moves over the command column.
    const int rowBottom = du.Place(driveList_, {80, 3, 165, 12});
    const int rowCentre = (driveList_->GetPosition().y + rowBottom) / 2;
    auto centreOnRow = [&](wxWindow* w, DialogRect rect) {
        du.Place(w, rect);
        w->Move(w->GetPosition().x, rowCentre - w->GetSize().y / 2);
    };
    centreOnRow(driveLabel, {6, 6, 74, 8});
    centreOnRow(modeLabel, {252, 6, 40, 8});
    centreOnRow(modeNds_, {292, 5, 30, 10});
    centreOnRow(modeGba_, {324, 5, 32, 10});

    const int listTop = std::max(du.Point(0, 20).y, rowBottom + du.Size(0, 2).y);
    const wxPoint listOrigin = du.Point(5, 0);
    const wxSize listSize = du.Size(240, 260);
    slotList_->SetSize(listOrigin.x, listTop, listSize.x, listSize.y);
    const int refreshTop = slotList_->GetRect().GetBottom() + 1 + du.Size(0, 1).y;
    du.Place(refresh, {5, 0, 240, 10});
    refresh->Move(refresh->GetPosition().x, refreshTop);
    int bottom = refresh->GetRect().GetBottom() + 1;

    // A column of buttons inside a group box: each at its own y, or below the one above when
    // the platform's buttons are taller than the layout's.
    auto column = [&](wxWindow* box, DialogRect boxRect, auto& buttons) {
        std::vector<const CommandButton*> byY;
        for (const CommandButton& b : buttons) {
            byY.push_back(&b);
        }
        std::sort(byY.begin(), byY.end(),
                  [](auto* a, auto* b) { return a->rect.y < b->rect.y; });
        int next = 0;
        for (const CommandButton* b : byY) {
            wxWindow* button = panel_->FindWindow(b->id);
            du.Place(button, b->rect);
            const int top = std::max(button->GetPosition().y, next);
            button->Move(button->GetPosition().x, top);
            next = button->GetRect().GetBottom() + 1 + du.Size(0, 1).y;
        }
        du.Place(box, boxRect);
        const int boxBottom = std::max(box->GetRect().GetBottom() + 1, next + du.Size(0, 4).y);
        box->SetSize(box->GetSize().x, boxBottom - box->GetPosition().y);
        return boxBottom;
    };
    const int backupBottom = column(backupBox, {250, 15, 110, 70}, kBackupButtons);
    bottom = std::max({bottom, backupBottom, column(extraBox, {250, 95, 110, 175}, kExtraButtons)});

    const wxSize designed = du.Size(kWidthDu, kHeightDu);
    SetClientSize(designed.x, std::max(designed.y, bottom + du.Size(0, 3).y));
}

void CSlotManagerDlg::BindEvents() {
    Bind(wxEVT_COMBOBOX_DROPDOWN, [this](wxCommandEvent&) { OnDropDownDrives(); },
         kDriveListId);
    Bind(wxEVT_COMBOBOX, [this](wxCommandEvent&) { OnSelectDrive(); }, kDriveListId);
    Bind(wxEVT_RADIOBUTTON, [this](wxCommandEvent&) { OnEditModeClicked(); }, kModeNdsId,
         kModeGbaId);
    Bind(wxEVT_LIST_COL_CLICK, [](wxListEvent&) {}, kSlotListId);  // columns never sort
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { OnCancel(); }, kExitMenuId);
    // "Exit(&E)" is the menu bar's only entry and acts at once, as a bare menu command does.
    Bind(wxEVT_MENU_OPEN, [this](wxMenuEvent&) { CallAfter([this] { OnCancel(); }); });
    Bind(wxEVT_CHAR_HOOK, &CSlotManagerDlg::OnCharHook, this);

    const std::pair<int, void (CSlotManagerDlg::*)()> buttons[] = {
        {kRefreshId, &CSlotManagerDlg::OnRefresh},
        {kBackupId, &CSlotManagerDlg::OnBackup},
        {kRestoreId, &CSlotManagerDlg::OnRestore},
        {kMakeDummyId, &CSlotManagerDlg::OnMakeDummy},
        {kConvertId, &CSlotManagerDlg::OnConvert},
        {kRenameId, &CSlotManagerDlg::OnRename},
        {kDeleteId, &CSlotManagerDlg::OnDelete},
        {kImportId, &CSlotManagerDlg::OnImport},
        {kExportId, &CSlotManagerDlg::OnExport},
        {kChangeTargetRomId, &CSlotManagerDlg::OnChangeTargetRom},
    };
    for (auto [id, handler] : buttons) {
        Bind(wxEVT_BUTTON, [this, handler = handler](wxCommandEvent&) { (this->*handler)(); }, id);
    }
}

void CSlotManagerDlg::OnCharHook(wxKeyEvent& event) {
    switch (event.GetKeyCode()) {
        case WXK_ESCAPE:
            OnCancel();
            return;
        case WXK_RETURN:
        case WXK_NUMPAD_ENTER:
            // A focused button takes Enter as a press; anywhere else it does nothing.
            if (dynamic_cast<wxButton*>(FindFocus()) == nullptr) {
                OnOK();
                return;
            }
            break;
        default:
            break;
    }
    event.Skip();
}

void CSlotManagerDlg::OnInitDialog() {
    slotView_->SetUpColumns();
    editMode_ = 0;
    cardRoot_.clear();
    modeNds_->SetValue(true);
    slotList_->SetFocus();
}

CommandContext CSlotManagerDlg::Context() {
    return CommandContext{cardRoot_, editMode_ == 1 ? EditMode::Gba : EditMode::Nds, prompter_,
                          *slotView_};
}

void CSlotManagerDlg::Run(Command command) { RunCommand(Context(), command); }

void CSlotManagerDlg::OnDropDownDrives() {
    driveList_->Clear();
    drives_ = driveSource_();
    for (const std::string& drive : drives_) {
        driveList_->Append(ToWx(drive));
    }
}

void CSlotManagerDlg::OnSelectDrive() {
    const int selection = driveList_->GetSelection();
    if (selection == wxNOT_FOUND) {
        return;
    }
    const wxString label = driveList_->GetString(selection);
    auto raw = std::find_if(drives_.begin(), drives_.end(),
                            [&](const std::string& d) { return ToWx(d) == label; });
    cardRoot_ = raw != drives_.end() ? *raw : FromWx(label);
    Run(slotkit::Refresh);
}

void CSlotManagerDlg::OnEditModeClicked() {
    editMode_ = modeGba_->GetValue() ? 1 : 0;
    Run(slotkit::Refresh);
}

void CSlotManagerDlg::OnRefresh() { Run(slotkit::Refresh); }
void CSlotManagerDlg::OnBackup() { Run(Backup); }
void CSlotManagerDlg::OnRestore() { Run(slotkit::Restore); }
void CSlotManagerDlg::OnMakeDummy() { Run(MakeDummy); }
void CSlotManagerDlg::OnConvert() { Run(Convert); }
void CSlotManagerDlg::OnRename() { Run(RenameSlot); }
void CSlotManagerDlg::OnDelete() { Run(DeleteSlots); }
void CSlotManagerDlg::OnImport() { Run(ImportSave); }
void CSlotManagerDlg::OnExport() { Run(ExportSave); }
void CSlotManagerDlg::OnChangeTargetRom() { Run(ChangeTargetRom); }

}  // namespace slotkit::app
