// The "Games on the card" dialog: every game of the mode with its icon, title, code, save type,
// place and slot file, the files of the mode's extension that are not games counted on a line
// below (a button lists them after the games), then every slot file whose game is not on the card,
// and a button that links a save to a chosen game through the change of target ROM. In GBA mode, a
// button reads the save types the user's cache does not know yet from the whole ROMs, off the
// window's thread.
#pragma once

#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/gauge.h>
#include <wx/imaglist.h>
#include <wx/listctrl.h>
#include <wx/stattext.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "games/card_games.h"
#include "games/ds_banner.h"
#include "games/rom_save_type.h"

namespace slotkit::app {

class CGamesDlg : public wxDialog {
  public:
    // Links the save to the ROM at `romPath`: `slotFile`, or the main list's selection when it
    // is empty.
    using Link = std::function<void(const std::string& romPath, const std::string& slotFile)>;
    // The slot files selected in the main list, in list order (rows without a file left out).
    using MainSelection = std::function<std::vector<std::string>()>;

    CGamesDlg(wxWindow* parent, slots::EditMode mode, games::DsLanguage language, Link link,
              MainSelection mainSelection);
    // Stops a reading of save types and waits for it.
    ~CGamesDlg() override;

    // Shows the games found; nothing: the search still runs.
    void SetGames(std::shared_ptr<const games::CardGames> games);

    // Links the save chosen (a save without its game selected here, else the main list's
    // selection) to the selected ROM.
    void OnLink();

    // Reads the save types of the GBA games whose type is not known yet.
    void OnReadTypes();
    // Asks the reading of save types to stop; what was read stays read and remembered.
    void OnCancelReading();
    // Stops a reading of save types and waits for its end.
    void StopReading();
    // Whether save types were read here: the games found before do not know them.
    bool ReadStarted() const { return readStarted_; }
    // What reads the ROMs' pieces (platform::ReadAt when empty; tests put in one they hold up).
    void SetRomReader(games::RomPieceReader reader) { romReader_ = std::move(reader); }

    // Lists the files that are not games after the games, or takes them off the list.
    void OnShowNotGames();

    // The ROM of a row of the game list.
    const games::CardRom* RomOfRow(long row) const;

    wxListCtrl* Roms() const { return roms_; }
    wxListCtrl* LostSlots() const { return lost_; }
    wxButton* LinkButton() const { return link_; }
    wxStaticText* LinkNote() const { return note_; }
    wxStaticText* NotGamesLine() const { return notGamesLine_; }
    wxButton* NotGamesButton() const { return notGamesButton_; }
    wxButton* ReadTypesButton() const { return readTypes_; }
    wxButton* CancelReadingButton() const { return cancelRead_; }
    wxGauge* ReadGauge() const { return gauge_; }
    wxStaticText* ReadLine() const { return readLine_; }

  private:
    void FillRoms(const std::string& selectedPath);
    void FitColumns(wxListCtrl* list);
    void UpdateLink();
    void UpdateReadTypes();
    long Selected(wxListCtrl* list) const;
    // The selected row's ROM index in games_->roms; -1 for none.
    long SelectedRom() const;
    std::string SaveText(const games::CardRom& rom) const;
    void ShowProgress(const games::SaveTypeProgress& progress);
    void TypeRead(const std::string& romPath, const games::GbaSaveType& type);
    void ReadingEnded(bool stopped);
    // The slot files the button would link: one chosen here, else the main list's selection.
    std::vector<std::string> SlotsToLink() const;

    slots::EditMode mode_;
    games::DsLanguage language_;
    Link linkTo_;
    MainSelection mainSelection_;
    std::shared_ptr<const games::CardGames> games_;  // the games shown
    bool looking_ = false;                           // they are being looked for again
    bool sized_ = false;  // the dialog was fitted to the games: it keeps its size from then on
    // For each row of the game list, its ROM's index in games_->roms.
    std::vector<std::size_t> rows_;
    bool showNotGames_ = false;  // the files that are not games are listed
    // The GBA save types read while the dialog is open, by the ROM's path.
    std::map<std::string, games::GbaSaveType> typesRead_;
    games::RomPieceReader romReader_;
    std::jthread reader_;  // the reading of save types; joined before the dialog goes
    bool reading_ = false;
    bool readStarted_ = false;
    games::SaveTypeProgress progress_;
    wxImageList* icons_ = nullptr;  // owned by the ROM list
    wxListCtrl* roms_ = nullptr;
    wxListCtrl* lost_ = nullptr;
    wxButton* link_ = nullptr;
    wxStaticText* note_ = nullptr;
    wxStaticText* notGamesLine_ = nullptr;
    wxButton* notGamesButton_ = nullptr;
    wxButton* readTypes_ = nullptr;
    wxGauge* gauge_ = nullptr;
    wxStaticText* readLine_ = nullptr;
    wxButton* cancelRead_ = nullptr;
};

}  // namespace slotkit::app
