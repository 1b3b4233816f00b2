#include "app/games_dlg.h"

#include <wx/dcclient.h>
#include <wx/settings.h>
#include <wx/sizer.h>

#include <algorithm>

#include "app/slot_games.h"
#include "app/wx_text.h"
#include "card/display_text.h"

namespace slotkit::app {

namespace {

constexpr int kLinkId = 1017;
constexpr const char* kRomColumns[] = {"Title", "Code", "Save", "File", "Slot file"};
constexpr const char* kLostColumns[] = {"Slot file", "Its game"};
constexpr const char* kNoSaveYet = "no save yet";
constexpr const char* kUnknown = "unknown";

std::string Joined(const std::vector<std::string>& names) {
    std::string joined;
    for (const std::string& name : names) {
        joined += (joined.empty() ? "" : ", ") + DisplayText(name);
    }
    return joined;
}

}  // namespace

CGamesDlg::CGamesDlg(wxWindow* parent, EditMode mode, games::DsLanguage language, Link link,
                     MainSelection mainSelection)
    : wxDialog(parent, wxID_ANY, "Games on the card", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      mode_(mode),
      language_(language),
      linkTo_(std::move(link)),
      mainSelection_(std::move(mainSelection)) {
    const int gap = FromDIP(8);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(new wxStaticText(this, wxID_ANY,
                                mode_ == EditMode::Nds ? "The DS games on the card and their saves:"
                                                       : "The GBA games on the card and their "
                                                         "saves:"),
               0, wxLEFT | wxRIGHT | wxTOP, gap);
    roms_ = new wxListCtrl(this, wxID_ANY, wxDefaultPosition, FromDIP(wxSize(640, 240)),
                           wxLC_REPORT | wxLC_SINGLE_SEL | wxBORDER_SUNKEN);
    for (const char* title : kRomColumns) {
        roms_->AppendColumn(title, wxLIST_FORMAT_LEFT);
    }
    icons_ = new wxImageList(games::kDsIconSide, games::kDsIconSide, false);
    roms_->AssignImageList(icons_, wxIMAGE_LIST_SMALL);
    sizer->Add(roms_, 3, wxEXPAND | wxALL, gap);
    sizer->Add(new wxStaticText(this, wxID_ANY,
                                "The saves whose game is not on the card (the cartridge will not "
                                "find them):"),
               0, wxLEFT | wxRIGHT, gap);
    lost_ = new wxListCtrl(this, wxID_ANY, wxDefaultPosition, FromDIP(wxSize(640, 110)),
                           wxLC_REPORT | wxLC_SINGLE_SEL | wxBORDER_SUNKEN);
    for (const char* title : kLostColumns) {
        lost_->AppendColumn(title, wxLIST_FORMAT_LEFT);
    }
    sizer->Add(lost_, 2, wxEXPAND | wxALL, gap);
    note_ = new wxStaticText(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                             wxST_NO_AUTORESIZE);
    sizer->Add(note_, 0, wxEXPAND | wxLEFT | wxRIGHT, gap);
    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    link_ = new wxButton(this, kLinkId, "Link the save to this game...");
    buttons->Add(link_, 0, wxRIGHT, gap);
    buttons->Add(new wxButton(this, wxID_CANCEL, "Close"));
    sizer->Add(buttons, 0, wxALIGN_RIGHT | wxALL, gap);
    SetSizer(sizer);
    SetGames(nullptr);
    SetEscapeId(wxID_CANCEL);

    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { OnLink(); }, kLinkId);
    for (wxListCtrl* list : {roms_, lost_}) {
        list->Bind(wxEVT_LIST_ITEM_SELECTED, [this](wxListEvent&) { UpdateLink(); });
        list->Bind(wxEVT_LIST_ITEM_DESELECTED, [this](wxListEvent&) { UpdateLink(); });
    }
}

void CGamesDlg::SetGames(std::shared_ptr<const CardGames> games) {
    if (!games) {
        // While the games are looked for again, the ones shown stay, and nothing can be linked
        // to them.
        looking_ = true;
        if (!games_) {
            roms_->DeleteAllItems();
            roms_->InsertItem(0, kLooking, -1);
            roms_->Enable(false);
            lost_->Enable(false);
            FitColumns(roms_);
            FitColumns(lost_);
            GetSizer()->SetSizeHints(this);
        }
        UpdateLink();
        return;
    }
    // The game and the save selected stay selected where they are still listed.
    const long romRow = games_ ? Selected(roms_) : -1;
    const std::string romPath =
        romRow >= 0 && static_cast<std::size_t>(romRow) < games_->roms.size()
            ? games_->roms[static_cast<std::size_t>(romRow)].path
            : std::string();
    const long lostRow = games_ ? Selected(lost_) : -1;
    const std::string lostSlot =
        lostRow >= 0 && static_cast<std::size_t>(lostRow) < games_->slotsWithoutGame.size()
            ? games_->slotsWithoutGame[static_cast<std::size_t>(lostRow)].slotFile
            : std::string();
    looking_ = false;
    games_ = std::move(games);
    roms_->DeleteAllItems();
    lost_->DeleteAllItems();
    icons_->RemoveAll();
    roms_->Enable(true);
    lost_->Enable(true);
    // A ROM without an icon gets a see-through one, so that every title starts at one place.
    wxImage blank(games::kDsIconSide, games::kDsIconSide);
    blank.InitAlpha();
    std::fill_n(blank.GetAlpha(), games::kDsIconSide * games::kDsIconSide, 0);
    const int noIcon = mode_ == EditMode::Nds ? icons_->Add(wxBitmap(blank)) : -1;
    for (std::size_t i = 0; i < games_->roms.size(); ++i) {
        const CardRom& rom = games_->roms[i];
        const auto icon = RomIcon(rom.info);
        const int image = icon ? icons_->Add(*icon) : noIcon;
        const std::string title = rom.info.Title(language_);
        const long row =
            roms_->InsertItem(static_cast<long>(i), ToWx(title.empty() ? kUnknown : title), image);
        roms_->SetItem(row, 1, ToWx(rom.info.code.empty() ? kUnknown : rom.info.code));
        const std::string save = RomSaveText(rom, SaveNote::Short);
        roms_->SetItem(row, 2, ToWx(save.empty() ? kUnknown : save));
        roms_->SetItem(row, 3, ToWx(DisplayText(rom.place)));
        roms_->SetItem(row, 4, ToWx(rom.slotFiles.empty() ? kNoSaveYet : Joined(rom.slotFiles)));
        if (!romPath.empty() && rom.path == romPath) {
            roms_->SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
        }
    }
    for (std::size_t i = 0; i < games_->slotsWithoutGame.size(); ++i) {
        const SlotGame& slot = games_->slotsWithoutGame[i];
        const long row = lost_->InsertItem(static_cast<long>(i), ToWx(slot.slotFile));
        lost_->SetItem(row, 1, ToWx(LostSlotText(slot)));
        if (!lostSlot.empty() && slot.slotFile == lostSlot) {
            lost_->SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
        }
    }
    FitColumns(roms_);
    FitColumns(lost_);
    UpdateLink();
    GetSizer()->SetSizeHints(this);
}

void CGamesDlg::FitColumns(wxListCtrl* list) {
    // Each column as wide as its header or its widest cell, with room for the cell's padding
    // (and the icon in the first); the list at least as wide as its columns and a scroll bar.
    const int padding = FromDIP(24);
    wxClientDC dc(list);
    dc.SetFont(list->GetFont());
    int total = 0;
    for (int column = 0; column < list->GetColumnCount(); ++column) {
        wxListItem header;
        header.SetMask(wxLIST_MASK_TEXT);
        list->GetColumn(column, header);
        int width = dc.GetTextExtent(header.GetText()).x;
        for (long row = 0; row < list->GetItemCount(); ++row) {
            width = std::max(width, dc.GetTextExtent(list->GetItemText(row, column)).x);
        }
        if (column == 0 && list == roms_ && icons_->GetImageCount() > 0) {
            width += games::kDsIconSide + FromDIP(4);
        }
        list->SetColumnWidth(column, width + padding);
        total += width + padding;
    }
    const int scrollBar = wxSystemSettings::GetMetric(wxSYS_VSCROLL_X, list);
    const int wanted = std::min(total + scrollBar + FromDIP(8), FromDIP(1100));
    list->SetMinSize(wxSize(std::max(FromDIP(480), wanted), list->GetMinSize().y));
}

long CGamesDlg::Selected(wxListCtrl* list) const {
    return list->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
}

std::vector<std::string> CGamesDlg::SlotsToLink() const {
    if (!games_) {
        return {};
    }
    const long lost = Selected(lost_);
    if (lost >= 0 && static_cast<std::size_t>(lost) < games_->slotsWithoutGame.size()) {
        return {games_->slotsWithoutGame[static_cast<std::size_t>(lost)].slotFile};
    }
    return mainSelection_ ? mainSelection_() : std::vector<std::string>{};
}

void CGamesDlg::UpdateLink() {
    const long rom = games_ ? Selected(roms_) : -1;
    const std::vector<std::string> slots = SlotsToLink();
    const bool romChosen = rom >= 0 && static_cast<std::size_t>(rom) < games_->roms.size();
    const bool enable = !looking_ && romChosen && !slots.empty();
    if (!enable && FindFocus() == link_) {
        // A disabled button that had the focus leaves the dialog without one on GTK, and then
        // not even Escape reaches it.
        roms_->SetFocus();
    }
    link_->Enable(enable);
    wxString note;
    if (!games_ || looking_) {
        note = "Looking for the games on the card...";
    } else if (!romChosen) {
        note = "Select a game, then the save to link to it: one below, or rows of the main list.";
    } else if (slots.empty()) {
        note = "Select the save to link: one below, or rows of the main list.";
    } else {
        note = "The button links " + ToWx(Joined(slots)) + " to " +
               ToWx(DisplayText(games_->roms[static_cast<std::size_t>(rom)].place)) + ".";
    }
    note_->SetLabel(note);
}

void CGamesDlg::OnLink() {
    const long rom = games_ && !looking_ ? Selected(roms_) : -1;
    if (rom < 0 || static_cast<std::size_t>(rom) >= games_->roms.size() || !linkTo_) {
        return;
    }
    const long lost = Selected(lost_);
    const std::string slot =
        lost >= 0 && static_cast<std::size_t>(lost) < games_->slotsWithoutGame.size()
            ? games_->slotsWithoutGame[static_cast<std::size_t>(lost)].slotFile
            : std::string();
    if (slot.empty() && (!mainSelection_ || mainSelection_().empty())) {
        return;
    }
    // The games are kept: the link's refresh hands over new ones.
    const std::string romPath = games_->roms[static_cast<std::size_t>(rom)].path;
    linkTo_(romPath, slot);
    // The button was disabled while the games were looked for again, and GTK took the focus
    // from it: the keyboard goes to the games, where Escape and the arrows work.
    roms_->SetFocus();
}

}  // namespace slotkit::app
