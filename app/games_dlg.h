// The "Games on the card" dialog: every ROM of the mode with its icon, title, code, save type,
// place and slot file, then every slot file whose game is not on the card, and a button that
// links a save to a chosen game through the change of target ROM.
#pragma once

#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/imaglist.h>
#include <wx/listctrl.h>
#include <wx/stattext.h>

#include <functional>
#include <memory>
#include <string>

#include "card/card_games.h"
#include "games/ds_banner.h"

namespace slotkit::app {

class CGamesDlg : public wxDialog {
  public:
    // Links the save to the ROM at `romPath`: `slotFile`, or the main list's selection when it
    // is empty.
    using Link = std::function<void(const std::string& romPath, const std::string& slotFile)>;
    // The slot files selected in the main list, in list order (rows without a file left out).
    using MainSelection = std::function<std::vector<std::string>()>;

    CGamesDlg(wxWindow* parent, EditMode mode, games::DsLanguage language, Link link,
              MainSelection mainSelection);

    // Shows the games found; nothing: the search still runs.
    void SetGames(std::shared_ptr<const CardGames> games);

    // Links the save chosen (a save without its game selected here, else the main list's
    // selection) to the selected ROM.
    void OnLink();

    wxListCtrl* Roms() const { return roms_; }
    wxListCtrl* LostSlots() const { return lost_; }
    wxButton* LinkButton() const { return link_; }
    wxStaticText* LinkNote() const { return note_; }

  private:
    void FitColumns(wxListCtrl* list);
    void UpdateLink();
    long Selected(wxListCtrl* list) const;
    // The slot files the button would link: one chosen here, else the main list's selection.
    std::vector<std::string> SlotsToLink() const;

    EditMode mode_;
    games::DsLanguage language_;
    Link linkTo_;
    MainSelection mainSelection_;
    std::shared_ptr<const CardGames> games_;  // the games shown
    bool looking_ = false;                    // they are being looked for again
    wxImageList* icons_ = nullptr;            // owned by the ROM list
    wxListCtrl* roms_ = nullptr;
    wxListCtrl* lost_ = nullptr;
    wxButton* link_ = nullptr;
    wxStaticText* note_ = nullptr;
};

}  // namespace slotkit::app
