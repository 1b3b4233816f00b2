#include "app/slot_manager_dlg.h"

#include <wx/menu.h>
#include <wx/settings.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/utils.h>

#include <algorithm>

#include "app/command_adapters.h"
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
    WatchCards();
}

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
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { OnEjectCard(); }, kEjectMenuId);
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

slots::CommandContext CSlotManagerDlg::Context() {
    return slots::CommandContext{
        cardRoot_,      editMode_ == 1 ? slots::EditMode::Gba : slots::EditMode::Nds,
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
        prompter_.Message(ports::text::kNoCard, ports::text::kCaptionAlert,
                          ports::MessageKind::Failure);
        return false;
    }
    return true;
}

void CSlotManagerDlg::Run(commands::Command command) {
    // The command's context checks first that the card is still in its drive.
    HideHover();
    ++commandsRunning_;
    commands::RunCommand(Context(), command);
    --commandsRunning_;
    if (commandsRunning_ == 0 && cardsChangePending_) {
        // A card came or went while the command ran: the window follows now.
        OnCardsChangedNow();
    }
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
    Run(commands::Refresh);
}

void CSlotManagerDlg::OnEditModeClicked() {
    editMode_ = modeGba_->GetValue() ? 1 : 0;
    Run(commands::Refresh);
}

void CSlotManagerDlg::OnRefresh() {
    Run(commands::Refresh);
}
void CSlotManagerDlg::OnBackup() {
    Run(commands::Backup);
}
void CSlotManagerDlg::OnRestore() {
    Run(commands::Restore);
}
void CSlotManagerDlg::OnMakeDummy() {
    Run(commands::MakeDummy);
}
void CSlotManagerDlg::OnConvert() {
    Run(commands::Convert);
}
void CSlotManagerDlg::OnRename() {
    Run(commands::RenameSlot);
}
void CSlotManagerDlg::OnDelete() {
    Run(commands::DeleteSlots);
}
void CSlotManagerDlg::OnImport() {
    Run(commands::ImportSave);
}
void CSlotManagerDlg::OnExport() {
    Run(commands::ExportSave);
}
void CSlotManagerDlg::OnChangeTargetRom() {
    Run(commands::ChangeTargetRom);
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
    menu->AppendSeparator();
    menu->Append(kEjectMenuId, "Eject the card");
    menu->Enable(kEjectMenuId, !cardRoot_.empty());
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
            SelectOnlyRow(row);
        }
    }
    const std::unique_ptr<wxMenu> menu = SlotMenu();
    HideHover();
    inSlotMenu_ = true;
    slotMenuPending_ = false;
    PopupMenu(menu.get());
    inSlotMenu_ = false;
}

void CSlotManagerDlg::SelectOnlyRow(long row) {
    for (long i = 0; i < slotList_->GetItemCount(); ++i) {
        slotList_->SetItemState(i, i == row ? wxLIST_STATE_SELECTED : 0, wxLIST_STATE_SELECTED);
    }
}

void CSlotManagerDlg::OnExportNew() {
    Run(commands::ExportNewSave);
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
    const std::string start = sync::LastSyncFolder(Context()).value_or(FromWx(wxGetHomeDir()));
    const std::optional<std::string> folder = prompter_.ChooseFolderIn("Sync with a folder", start);
    if (!folder) {
        return;
    }
    CSyncDlg dialog(this, Context(), *folder);
    if (dialog.ShowModal() != wxID_OK || !dialog.Plan()) {
        return;
    }
    sync::RememberSyncFolder(Context(), *folder);
    const sync::SyncPlan plan = *dialog.Plan();
    Run([&plan](const slots::CommandContext& context) { CarryOutAndReport(context, plan); });
}

void CSlotManagerDlg::OnGamesOnCard() {
    HideHover();
    if (cardRoot_.empty() || !CardStillThere()) {
        return;
    }
    CGamesDlg dialog(
        this, editMode_ == 1 ? slots::EditMode::Gba : slots::EditMode::Nds, language_,
        [this](const std::string& romPath, const std::string& slotFile) {
            OnLinkSaveToGame(romPath, slotFile);
        },
        [this] {
            std::vector<std::string> names;
            for (int row : slots::SelectedRows(*slotView_)) {
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
            SelectOnlyRow(shown);
        } else {
            pastTheList.emplace(slotFile);
        }
    }
    // Its questions are asked over the dialog that asked for the link.
    WxPrompter over =
        prompter_.Over(gamesDialog_ != nullptr ? static_cast<wxWindow*>(gamesDialog_) : this);
    ChosenFilePrompter prompter(over, romPath);
    const slots::CommandContext context = Context();
    const slots::CommandContext linked{
        context.cardRoot,
        context.mode,
        prompter,
        pastTheList ? static_cast<ports::SlotView&>(*pastTheList) : *slotView_,
        context.historyFolder,
        context.cardInDrive};
    std::vector<std::string> selected;
    for (int row : slots::SelectedRows(*slotView_)) {
        selected.push_back(slotView_->FileName(row));
    }
    commands::RunCommand(linked, commands::ChangeTargetRom);
    Run(commands::Refresh);
    // The dialog is still open: the rows it links stay selected for the next link.
    for (long row = 0; row < slotList_->GetItemCount(); ++row) {
        const std::string name = slotView_->FileName(static_cast<int>(row));
        if (!name.empty() && std::find(selected.begin(), selected.end(), name) != selected.end()) {
            slotList_->SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
        }
    }
}

}  // namespace slotkit::app
