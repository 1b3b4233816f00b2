// The games found on the card after each listing, and the hover that shows a row's game.
#include "app/slot_manager_dlg.h"

#include "app/games_dlg.h"
#include "app/slot_games.h"
#include "app/wx_text.h"

namespace slotkit::app {

namespace {

// The popup sits below and right of the pointer, as a tooltip does.
const wxPoint kHoverOffset(14, 22);

}  // namespace

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
    gamesSearch_->Start(cardRoot_, editMode_ == 1 ? slots::EditMode::Gba : slots::EditMode::Nds);
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
    const games::CardGames* games = gamesSearch_->Result().get();
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

}  // namespace slotkit::app
