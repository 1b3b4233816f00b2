#include "app/slot_manager_dlg.h"

#include <wx/menu.h>
#include <wx/settings.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/utils.h>

#include <algorithm>

#include "app/control_ids.h"
#include "app/dialog_units.h"
#include "app/games_dlg.h"
#include "app/history_dlg.h"
#include "app/slot_games.h"
#include "app/slot_icon.h"
#include "app/sync_dlg.h"
#include "app/wx_text.h"
#include "commands/backup_restore.h"
#include "commands/change_target_rom.h"
#include "commands/export_new.h"
#include "commands/export_save.h"
#include "commands/import_save.h"
#include "commands/refresh.h"
#include "commands/rename_delete.h"
#include "commands/slot_creation.h"
#include "platform/files.h"
#include "slots/slot_listing.h"
#include "sync/sync_places.h"
#include "sync/sync_write.h"

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

constexpr const char* kDropHelp =
    "Drop one save file onto the row of the slot it goes into: it is imported into that slot.";

// The window's prompter, except that its file chooser answers with one file: the ROM that the
// "Games on the card" dialog links a save to.
class ChosenFilePrompter : public Prompter {
  public:
    ChosenFilePrompter(Prompter& prompter, std::string path)
        : prompter_(prompter), path_(std::move(path)) {}

    void Message(std::string_view text, std::string_view caption, MessageKind kind) override {
        prompter_.Message(text, caption, kind);
    }
    bool AskYesNo(std::string_view text, std::string_view caption) override {
        return prompter_.AskYesNo(text, caption);
    }
    std::optional<std::string> ChooseOpenFile(const std::vector<FileFilter>&,
                                              std::string_view) override {
        return path_;
    }
    std::optional<std::string> ChooseSaveFile(const std::vector<FileFilter>& filters,
                                              std::string_view title) override {
        return prompter_.ChooseSaveFile(filters, title);
    }
    std::optional<std::string> ChooseFolder(std::string_view title) override {
        return prompter_.ChooseFolder(title);
    }
    std::optional<std::string> ChooseSaveFileAndSize(const std::vector<FileFilter>& filters,
                                                     std::string_view title,
                                                     std::span<const std::uint64_t> sizes,
                                                     std::uint64_t& size) override {
        return prompter_.ChooseSaveFileAndSize(filters, title, sizes, size);
    }
    std::optional<std::string> AskSlotName() override { return prompter_.AskSlotName(); }
    std::optional<std::string> AskNewName() override { return prompter_.AskNewName(); }
    void Beep() override { prompter_.Beep(); }
    std::unique_ptr<BusyScope> Busy() override { return prompter_.Busy(); }
    std::unique_ptr<ProgressScope> Progress(std::string_view title) override {
        return prompter_.Progress(title);
    }
    void Done(std::string_view what) override { prompter_.Done(what); }

  private:
    Prompter& prompter_;
    std::string path_;
};

// One slot file, selected, for a command on a slot the list cannot show (past its 100th row).
class OneSlotView : public SlotView {
  public:
    explicit OneSlotView(std::string fileName) : rows_{{"", std::move(fileName), "", ""}} {}

    int NextSelected(int row) const override { return row == -1 && selected_ ? 0 : -1; }
    std::string FileName(int row) const override {
        return row >= 0 && static_cast<std::size_t>(row) < rows_.size() ? rows_[row].fileName
                                                                        : std::string();
    }
    void Show(const std::vector<SlotRow>& rows) override {
        rows_ = rows;
        selected_ = false;
    }
    void ShowRow(int row, const SlotRow& shown) override {
        if (row >= 0 && static_cast<std::size_t>(row) < rows_.size()) {
            rows_[row] = shown;
        }
    }

  private:
    std::vector<SlotRow> rows_;
    bool selected_ = true;
};

// The popup sits below and right of the pointer, as a tooltip does.
const wxPoint kHoverOffset(14, 22);

}  // namespace

CSlotManagerDlg::CSlotManagerDlg(DriveSource drives)
    : wxFrame(nullptr, wxID_ANY, kCaption, wxDefaultPosition, wxDefaultSize,
              wxCAPTION | wxSYSTEM_MENU | wxMINIMIZE_BOX | wxCLOSE_BOX),
      driveSource_(std::move(drives)),
      prompter_(this) {
    SetIcons(SlotIconBundle());
    prompter_.SetCardCheck([this] { return CardStillInOrListEmptied(); });
    auto* menu = new wxMenu;
    menu->Append(kExitMenuId, "Exit(&E)");
    auto* bar = new wxMenuBar;
    bar->Append(menu, "Exit(&E)");
    SetMenuBar(bar);

    panel_ = new wxPanel(this, wxID_ANY);
    panel_->SetFont(LayoutFont("MS UI Gothic", 9));
    language_ = SystemBannerLanguage();
    gamesSearch_ = std::make_unique<GamesSearch>(*this, [this] { OnGamesFound(); });
    CreateControls();
    OnInitDialog();
    LayOut();
    BindEvents();
}

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

void CSlotManagerDlg::BindEvents() {
    Bind(
        wxEVT_COMBOBOX_DROPDOWN, [this](wxCommandEvent&) { OnDropDownDrives(); }, kDriveListId);
    Bind(
        wxEVT_COMBOBOX, [this](wxCommandEvent&) { OnSelectDrive(); }, kDriveListId);
    Bind(
        wxEVT_RADIOBUTTON, [this](wxCommandEvent&) { OnEditModeClicked(); }, kModeNdsId,
        kModeGbaId);
    Bind(
        wxEVT_LIST_COL_CLICK, [](wxListEvent&) {}, kSlotListId);  // columns never sort
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { OnCancel(); }, kExitMenuId);
    // "Exit(&E)" is the menu bar's only entry and acts at once when clicked, as a bare menu
    // command does. F10 only moves the keyboard to the menu bar: GTK opens the menu for it,
    // and choosing "Exit(E)" there ends the program.
    Bind(wxEVT_MENU_OPEN, [this](wxMenuEvent&) {
        if (inSlotMenu_) {
            return;
        }
        if (!menuBarFromKeyboard_) {
            CallAfter([this] { OnCancel(); });
        }
        menuBarOpen_ = true;
    });
    Bind(wxEVT_MENU_CLOSE, [this](wxMenuEvent&) {
        menuBarFromKeyboard_ = false;
        menuBarOpen_ = false;
    });
    slotList_->Bind(wxEVT_CONTEXT_MENU, &CSlotManagerDlg::OnSlotListContextMenu, this);
    slotList_->Bind(wxEVT_DROP_FILES, [this](wxDropFilesEvent& event) {
        // The position is in the coordinates HitTest takes: the list's rows below its header
        // on GTK, where the drop target sits on the rows' own window.
        std::vector<std::string> paths;
        for (int i = 0; i < event.GetNumberOfFiles(); ++i) {
            paths.push_back(FromWx(event.GetFiles()[i]));
        }
        // The import asks its questions; the drag source need not wait for them.
        CallAfter([this, at = event.GetPosition(), paths] { OnDropFiles(at, paths); });
    });
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { OnExportNew(); }, kExportNewMenuId);
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { OnHistory(); }, kHistoryMenuId);
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { OnSyncWithFolder(); }, kSyncMenuId);
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { OnGamesOnCard(); }, kGamesMenuId);
    // The hover follows the pointer over the rows' own window (below the header on GTK).
    for (wxWindow* rows : RowsWindows()) {
        rows->Bind(wxEVT_MOTION, [this](wxMouseEvent& event) {
            auto* from = static_cast<wxWindow*>(event.GetEventObject());
            HoverAt(from->ClientToScreen(event.GetPosition()));
            event.Skip();
        });
        rows->Bind(wxEVT_LEAVE_WINDOW, [this](wxMouseEvent& event) {
            HideHover();
            event.Skip();
        });
        rows->Bind(wxEVT_MOUSEWHEEL, [this](wxMouseEvent& event) {
            // The rows move under the pointer: the hover follows once they have.
            CallAfter([this] { HoverAt(wxGetMousePosition()); });
            event.Skip();
        });
    }
    slotList_->Bind(wxEVT_LIST_ITEM_RIGHT_CLICK, [this](wxListEvent& event) {
        HideHover();
        event.Skip();
    });
    Bind(wxEVT_ACTIVATE, [this](wxActivateEvent& event) {
        if (!event.GetActive()) {
            HideHover();
        }
        event.Skip();
    });
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent& event) {
        // A search of a big card stops at its next file, so the window's end need not wait.
        HideHover();
        gamesSearch_->Drop();
        event.Skip();
    });
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
        Bind(
            wxEVT_BUTTON, [this, handler = handler](wxCommandEvent&) { (this->*handler)(); }, id);
    }
}

void CSlotManagerDlg::OnCharHook(wxKeyEvent& event) {
    switch (event.GetKeyCode()) {
        case WXK_ESCAPE:
            // An open drive list or menu takes its own Escape.
            if (driveList_->IsPopupShown()) {
                driveList_->Dismiss();
                return;
            }
            if (menuBarOpen_) {
                break;
            }
            OnCancel();
            return;
#ifdef __WXGTK__
        case WXK_F10:
            menuBarFromKeyboard_ = true;
            break;
#endif
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
    return CommandContext{cardRoot_,      editMode_ == 1 ? EditMode::Gba : EditMode::Nds,
                          prompter_,      *slotView_,
                          historyFolder_, [this] { return CardInDrive(); }};
}

bool CSlotManagerDlg::CardInDrive() {
    // A card reader keeps its drive when the card is taken out; the drive's root then cannot
    // be read.
    const std::vector<std::string> now = driveSource_();
    return std::find(now.begin(), now.end(), cardRoot_) != now.end() &&
           platform::IsDirectory(cardRoot_);
}

bool CSlotManagerDlg::CardStillInOrListEmptied() {
    if (cardRoot_.empty() || CardInDrive()) {
        return true;
    }
    // The rows of a card that is gone name files no command can reach.
    slotView_->Show({});
    return false;
}

bool CSlotManagerDlg::CardStillThere() {
    // A card taken out may leave its mount folder behind on the system disk: nothing may be
    // written there.
    if (!CardStillInOrListEmptied()) {
        prompter_.Message(text::kNoCard, text::kCaptionAlert, MessageKind::Failure);
        return false;
    }
    return true;
}

void CSlotManagerDlg::Run(Command command) {
    // The command's context checks first that the card is still in its drive.
    HideHover();
    RunCommand(Context(), command);
}

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

void CSlotManagerDlg::OnRefresh() {
    Run(slotkit::Refresh);
}
void CSlotManagerDlg::OnBackup() {
    Run(Backup);
}
void CSlotManagerDlg::OnRestore() {
    Run(slotkit::Restore);
}
void CSlotManagerDlg::OnMakeDummy() {
    Run(MakeDummy);
}
void CSlotManagerDlg::OnConvert() {
    Run(Convert);
}
void CSlotManagerDlg::OnRename() {
    Run(RenameSlot);
}
void CSlotManagerDlg::OnDelete() {
    Run(DeleteSlots);
}
void CSlotManagerDlg::OnImport() {
    Run(ImportSave);
}
void CSlotManagerDlg::OnExport() {
    Run(ExportSave);
}
void CSlotManagerDlg::OnChangeTargetRom() {
    Run(ChangeTargetRom);
}

std::unique_ptr<wxMenu> CSlotManagerDlg::SlotMenu() {
    auto menu = std::make_unique<wxMenu>();
    const bool rowSelected = slotView_->NextSelected(-1) != -1;
    if (!rowSelected) {
        menu->Append(kNoRowMenuId, "No row is selected: right-click a slot's row first.");
        menu->Enable(kNoRowMenuId, false);
        menu->AppendSeparator();
    }
    menu->Append(kExportNewMenuId, "Export to a new file...");
    menu->Enable(kExportNewMenuId, rowSelected);
    menu->Append(kHistoryMenuId, "History...");
    menu->Enable(kHistoryMenuId, !cardRoot_.empty());
    menu->Append(kSyncMenuId, "Sync with a folder...");
    menu->Enable(kSyncMenuId, !cardRoot_.empty());
    menu->Append(kGamesMenuId, "Games on the card...");
    menu->Enable(kGamesMenuId, !cardRoot_.empty());
    return menu;
}

void CSlotManagerDlg::OnSlotListContextMenu(wxContextMenuEvent& event) {
    // One right click may bring more than one event here (on GTK the list sends its own before
    // GTK's, both for the same press): the menu opens once, after the click has been handled.
    if (slotMenuPending_ || inSlotMenu_) {
        return;
    }
    slotMenuPending_ = true;
    CallAfter([this, at = event.GetPosition()] { ShowSlotMenu(at); });
}

void CSlotManagerDlg::ShowSlotMenu(const wxPoint& onScreen) {
    // A right click on a row that is not selected selects that row alone, as file managers do;
    // below the last row it selects nothing. From the keyboard (no position) the selection
    // stays as it is.
    if (onScreen != wxDefaultPosition) {
        const long row = RowAtScreenPoint(*slotList_, onScreen);
        if (row == -1 || slotList_->GetItemState(row, wxLIST_STATE_SELECTED) == 0) {
            for (long i = 0; i < slotList_->GetItemCount(); ++i) {
                slotList_->SetItemState(i, i == row ? wxLIST_STATE_SELECTED : 0,
                                        wxLIST_STATE_SELECTED);
            }
        }
    }
    const std::unique_ptr<wxMenu> menu = SlotMenu();
    HideHover();
    inSlotMenu_ = true;
    slotMenuPending_ = false;
    PopupMenu(menu.get());
    inSlotMenu_ = false;
}

void CSlotManagerDlg::OnExportNew() {
    Run(ExportNewSave);
}

void CSlotManagerDlg::OnDropFiles(const wxPoint& at, const std::vector<std::string>& paths) {
    int flags = 0;
    const long row = slotList_->HitTest(at, flags);
    if (paths.size() != 1 || row == wxNOT_FOUND || row >= slotList_->GetItemCount()) {
        prompter_.Message(kDropHelp, text::kCaptionMessage, MessageKind::Info);
        return;
    }
    if (!CardStillThere()) {
        return;
    }
    for (long i = 0; i < slotList_->GetItemCount(); ++i) {
        slotList_->SetItemState(i, i == row ? wxLIST_STATE_SELECTED : 0, wxLIST_STATE_SELECTED);
    }
    const std::string dropped = paths.front();
    Run([&dropped](const CommandContext& context) { ImportDroppedFile(context, dropped); });
}

void CSlotManagerDlg::OnHistory() {
    HideHover();
    if (cardRoot_.empty() || !CardStillThere()) {
        return;
    }
    std::set<std::string> onCard;
    for (int row = 0; row < slotList_->GetItemCount(); ++row) {
        if (std::string name = slotView_->FileName(row); !name.empty()) {
            onCard.insert(std::move(name));
        }
    }
    const int selected = slotView_->NextSelected(-1);
    CHistoryDlg dialog(this, Context(), selected == -1 ? "" : slotView_->FileName(selected),
                       std::move(onCard));
    dialog.ShowModal();
}

void CSlotManagerDlg::OnSyncWithFolder() {
    HideHover();
    if (cardRoot_.empty() || !CardStillThere()) {
        return;
    }
    // The folder of this card's last sync, else the user's home folder.
    const std::string start = LastSyncFolder(Context()).value_or(FromWx(wxGetHomeDir()));
    const std::optional<std::string> folder = prompter_.ChooseFolderIn("Sync with a folder", start);
    if (!folder) {
        return;
    }
    CSyncDlg dialog(this, Context(), *folder);
    if (dialog.ShowModal() != wxID_OK || !dialog.Plan()) {
        return;
    }
    RememberSyncFolder(Context(), *folder);
    const SyncPlan plan = *dialog.Plan();
    Run([&plan](const CommandContext& context) { CarryOutAndReport(context, plan); });
}

void CSlotManagerDlg::OnListingChanged() {
    // The games found belong to the rows as they were.
    gamesSearch_->Drop();
    if (gamesDialog_ != nullptr) {
        gamesDialog_->SetGames(nullptr);
    }
    if (hoverRow_ != -1) {
        ShowHover();
    }
    if (!searchPending_) {
        searchPending_ = true;
        CallAfter([this] { StartGamesSearch(); });
    }
}

void CSlotManagerDlg::StartGamesSearch() {
    searchPending_ = false;
    if (cardRoot_.empty()) {
        gamesSearch_->Drop();
        HideHover();
        return;
    }
    gamesSearch_->Start(cardRoot_, editMode_ == 1 ? EditMode::Gba : EditMode::Nds);
}

void CSlotManagerDlg::OnGamesFound() {
    if (hoverRow_ != -1) {
        ShowHover();
    }
    if (gamesDialog_ != nullptr) {
        gamesDialog_->SetGames(gamesSearch_->Result());
    }
}

std::vector<wxWindow*> CSlotManagerDlg::RowsWindows() const {
#ifdef __WXMSW__
    return {slotList_};
#else
    // The list drawn by wx: its rows' window and its header's, whose rows HoverAt tells apart.
    std::vector<wxWindow*> windows;
    for (wxWindow* child : slotList_->GetChildren()) {
        windows.push_back(child);
    }
    return windows;
#endif
}

void CSlotManagerDlg::HoverAt(const wxPoint& onScreen) {
    hoverPoint_ = onScreen;
    const long row = RowAtScreenPoint(*slotList_, onScreen);
    if (row == -1 || slotView_->FileName(static_cast<int>(row)).empty() ||
        (!gamesSearch_->Looking() && !gamesSearch_->Result())) {
        HideHover();
        return;
    }
    if (row == hoverRow_ && HoverShown()) {
        hoverPopup_->MoveTo(onScreen + FromDIP(kHoverOffset));
        return;
    }
    hoverRow_ = row;
    ShowHover();
}

void CSlotManagerDlg::ShowHover() {
    const std::string fileName = slotView_->FileName(static_cast<int>(hoverRow_));
    if (fileName.empty() ||
        (!gamesSearch_->Looking() && !gamesSearch_->Result() && !searchPending_)) {
        HideHover();
        return;
    }
    const CardGames* games = gamesSearch_->Result().get();
    std::optional<wxBitmap> icon;
    if (games != nullptr) {
        const auto roms = RomsOfSlot(*games, fileName);
        if (!roms.empty()) {
            icon = RomIcon(roms.front()->info);
        }
    }
    if (hoverPopup_ == nullptr) {
        hoverPopup_ = new SlotGamePopup(this);
    }
    hoverPopup_->ShowAt(hoverPoint_ + FromDIP(kHoverOffset),
                        ToWx(SlotGameText(games, fileName, language_)), icon);
}

void CSlotManagerDlg::HideHover() {
    hoverRow_ = -1;
    if (hoverPopup_ != nullptr && hoverPopup_->IsShown()) {
        hoverPopup_->Hide();
    }
}

void CSlotManagerDlg::OnGamesOnCard() {
    HideHover();
    if (cardRoot_.empty() || !CardStillThere()) {
        return;
    }
    CGamesDlg dialog(
        this, editMode_ == 1 ? EditMode::Gba : EditMode::Nds, language_,
        [this](const std::string& romPath, const std::string& slotFile) {
            OnLinkSaveToGame(romPath, slotFile);
        },
        [this] {
            std::vector<std::string> names;
            for (int row : SelectedRows(*slotView_)) {
                if (std::string name = slotView_->FileName(row); !name.empty()) {
                    names.push_back(std::move(name));
                }
            }
            return names;
        });
    dialog.SetGames(gamesSearch_->Result());
    gamesDialog_ = &dialog;
    dialog.ShowModal();
    gamesDialog_ = nullptr;
    dialog.StopReading();
    if (dialog.ReadStarted()) {
        // The games found before know none of the save types read: look again.
        StartGamesSearch();
    }
}

void CSlotManagerDlg::OnLinkSaveToGame(const std::string& romPath, const std::string& slotFile) {
    if (!CardStillThere()) {
        return;
    }
    std::optional<OneSlotView> pastTheList;
    if (!slotFile.empty()) {
        // A slot the list shows is changed in the list, alone; one past its last row on its own.
        long shown = -1;
        for (long row = 0; row < slotList_->GetItemCount(); ++row) {
            if (slotView_->FileName(static_cast<int>(row)) == slotFile) {
                shown = row;
            }
        }
        if (shown != -1) {
            for (long row = 0; row < slotList_->GetItemCount(); ++row) {
                slotList_->SetItemState(row, row == shown ? wxLIST_STATE_SELECTED : 0,
                                        wxLIST_STATE_SELECTED);
            }
        } else {
            pastTheList.emplace(slotFile);
        }
    }
    // Its questions are asked over the dialog that asked for the link.
    WxPrompter over =
        prompter_.Over(gamesDialog_ != nullptr ? static_cast<wxWindow*>(gamesDialog_) : this);
    ChosenFilePrompter prompter(over, romPath);
    const CommandContext context = Context();
    const CommandContext linked{context.cardRoot,
                                context.mode,
                                prompter,
                                pastTheList ? static_cast<SlotView&>(*pastTheList) : *slotView_,
                                context.historyFolder,
                                context.cardInDrive};
    std::vector<std::string> selected;
    for (int row : SelectedRows(*slotView_)) {
        selected.push_back(slotView_->FileName(row));
    }
    RunCommand(linked, ChangeTargetRom);
    Run(slotkit::Refresh);
    // The dialog is still open: the rows it links stay selected for the next link.
    for (long row = 0; row < slotList_->GetItemCount(); ++row) {
        const std::string name = slotView_->FileName(static_cast<int>(row));
        if (!name.empty() && std::find(selected.begin(), selected.end(), name) != selected.end()) {
            slotList_->SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
        }
    }
}

}  // namespace slotkit::app
