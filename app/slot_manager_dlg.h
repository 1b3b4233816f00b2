// The main window: the drive choice, the NDS/GBA switch, the slot list and one button per
// command. It is a frame, not a dialog, so that it can carry the "Exit(&E)" menu; it keeps a
// dialog's keys: Escape closes it and Enter never does.
#pragma once

#include <wx/button.h>
#include <wx/frame.h>
#include <wx/listctrl.h>
#include <wx/menu.h>
#include <wx/odcombo.h>
#include <wx/panel.h>
#include <wx/radiobut.h>
#include <wx/statbox.h>
#include <wx/stattext.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/games_dlg.h"
#include "app/games_search.h"
#include "app/slot_game_popup.h"
#include "app/slot_list_view.h"
#include "app/wx_prompter.h"
#include "commands/run_command.h"
#include "platform/card_events.h"
#include "slots/command_context.h"

namespace slotkit::app {

class CSlotManagerDlg : public wxFrame {
  public:
    using DriveSource = std::function<std::vector<std::string>()>;

    // `drives` lists the removable drive roots each time the drive box opens.
    explicit CSlotManagerDlg(DriveSource drives);

    // The handlers, named after their buttons.
    void OnDropDownDrives();
    void OnSelectDrive();
    void OnEditModeClicked();
    void OnRefresh();
    void OnBackup();
    void OnRestore();
    void OnMakeDummy();
    void OnConvert();
    void OnRename();
    void OnDelete();
    void OnImport();
    void OnExport();
    void OnChangeTargetRom();
    // The slot list's right-click menu, and its commands beyond the buttons.
    std::unique_ptr<wxMenu> SlotMenu();
    void OnExportNew();
    void OnHistory();
    void OnSyncWithFolder();
    // "Games on the card...": the ROMs on the card, their saves and the saves whose game is
    // gone.
    void OnGamesOnCard();
    // "Eject the card": the chosen card flushed and unmounted, the list emptied once the
    // system confirmed it.
    void OnEjectCard();
    // A drive's volume was mounted or unmounted: the drive box is refilled, a new card is
    // chosen when none is, and a listed card that left empties the list.
    void OnCardsChanged();
    // Runs the change of target ROM with the ROM at `romPath` for `slotFile`, or for the
    // list's selection when it is empty, then refreshes the list.
    void OnLinkSaveToGame(const std::string& romPath, const std::string& slotFile);
    // Files dropped onto the slot list at `at` (the list's coordinates): one file dropped onto
    // a row is imported into that row, as by "Q9 << anotherSAVE inport".
    void OnDropFiles(const wxPoint& at, const std::vector<std::string>& paths);
    void OnOK() {}  // Enter never closes the window.
    void OnCancel() { Close(); }

    WxPrompter& Prompter() { return prompter_; }
    // The history folder of the commands; empty: the user's.
    void SetHistoryFolder(std::string folder) { historyFolder_ = std::move(folder); }
    wxListCtrl* SlotList() const { return slotList_; }
    wxOwnerDrawnComboBox* DriveList() const { return driveList_; }
    wxPanel* Panel() const { return panel_; }
    int EditModeValue() const { return editMode_; }
    const std::string& CardRoot() const { return cardRoot_; }
    GamesSearch& Games() { return *gamesSearch_; }
    // The hover's popup, or nullptr before the first hover.
    SlotGamePopup* HoverPopup() const { return hoverPopup_; }
    bool HoverShown() const { return hoverPopup_ != nullptr && hoverPopup_->IsShown(); }

  private:
    void CreateControls();
    void LayOut();
    void OnInitDialog();
    void BindEvents();
    void OnCharHook(wxKeyEvent& event);
    slots::CommandContext Context();
    // True while the chosen card's drive is still among the removable drives and its root can
    // be read.
    bool CardInDrive();
    // False, with the list emptied, when a card was chosen and is no longer in its drive.
    bool CardStillInOrListEmptied();
    // False, after telling the user, when the chosen card is no longer in its drive.
    bool CardStillThere();
    void Run(commands::Command command);
    void WatchCards();
    void OnCardsChangedNow();
    // The drive box refilled from the drives found last, the chosen card's root shown.
    void FillDriveList();
    void OnSlotListContextMenu(wxContextMenuEvent& event);
    void ShowSlotMenu(const wxPoint& onScreen);
    // Selects `row` and no other; -1 selects none.
    void SelectOnlyRow(long row);
    // The games are looked for again after the rows changed, once the change is done.
    void OnListingChanged();
    void StartGamesSearch();
    void OnGamesFound();
    // The hover: the game of the row under the pointer at `onScreen`.
    void HoverAt(const wxPoint& onScreen);
    void ShowHover();
    void HideHover();
    std::vector<wxWindow*> RowsWindows() const;

    DriveSource driveSource_;
    std::vector<std::string> drives_;  // the roots as the system gave them
    std::string cardRoot_;             // empty: no drive chosen
    std::string historyFolder_;
    int editMode_ = -1;
    int commandsRunning_ = 0;
    bool cardsChangePending_ = false;   // a mount event waits for the main loop or a command
    bool inSlotMenu_ = false;           // the right-click menu is open
    bool slotMenuPending_ = false;      // a right click's menu is about to open
    bool menuBarFromKeyboard_ = false;  // F10 opened the menu bar's menu
    bool menuBarOpen_ = false;          // the menu bar's menu is open

    wxPanel* panel_ = nullptr;
    wxListCtrl* slotList_ = nullptr;
    wxOwnerDrawnComboBox* driveList_ = nullptr;
    wxRadioButton* modeNds_ = nullptr;
    wxRadioButton* modeGba_ = nullptr;
    wxStaticText* driveLabel_ = nullptr;
    wxStaticText* modeLabel_ = nullptr;
    wxButton* refresh_ = nullptr;
    wxStaticBox* backupBox_ = nullptr;
    wxStaticBox* extraBox_ = nullptr;
    std::unique_ptr<SlotListView> slotView_;
    WxPrompter prompter_;
    games::DsLanguage language_ = games::DsLanguage::English;
    bool searchPending_ = false;  // a search starts once the current change is done
    SlotGamePopup* hoverPopup_ = nullptr;
    long hoverRow_ = -1;                // the row the popup shows; -1: hidden
    wxPoint hoverPoint_;                // where the pointer is, on the screen
    CGamesDlg* gamesDialog_ = nullptr;  // while it is open
    std::unique_ptr<platform::CardEvents> cardEvents_;
    // Last: the search is stopped, and its workers waited for, before anything else goes.
    std::unique_ptr<GamesSearch> gamesSearch_;
};

}  // namespace slotkit::app
