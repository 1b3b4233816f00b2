#include "app/games_dlg.h"

#include <wx/dcclient.h>
#include <wx/settings.h>
#include <wx/sizer.h>

#include <algorithm>
#include <cstdio>

#include "app/slot_games.h"
#include "app/wx_text.h"
#include "base/display_text.h"

namespace slotkit::app {

namespace {

constexpr int kLinkId = 1017;
constexpr int kReadTypesId = 1018;
constexpr int kCancelReadId = 1019;
constexpr int kNotGamesId = 1020;
constexpr int kGaugeRange = 1000;
constexpr const char* kRomColumns[] = {"Title", "Code", "Save", "File", "Slot file"};
constexpr const char* kLostColumns[] = {"Slot file", "Its game"};
constexpr const char* kNoSaveYet = "no save yet";
constexpr const char* kUnknown = "unknown";

std::string Joined(const std::vector<std::string>& names) {
    std::string joined;
    for (const std::string& name : names) {
        joined += (joined.empty() ? "" : ", ") + base::DisplayText(name);
    }
    return joined;
}

// "2,000 files named .NDS are not games"
std::string NotGamesText(std::size_t count, slots::EditMode mode) {
    const std::string extension = mode == slots::EditMode::Nds ? ".NDS" : ".GBA";
    return count == 1 ? "1 file named " + extension + " is not a game"
                      : base::ByteCount(count) + " files named " + extension + " are not games";
}

// "1 of 2 ROMs, 3.0 MiB read": in MiB, as the commands count what they read
wxString ProgressText(const games::SaveTypeProgress& progress) {
    char megabytes[32];
    std::snprintf(megabytes, sizeof megabytes, "%.1f",
                  static_cast<double>(progress.bytesRead) / (1024.0 * 1024.0));
    return ToWx(base::ByteCount(progress.romsDone) + " of " + base::ByteCount(progress.romCount) +
                (progress.romCount == 1 ? " ROM, " : " ROMs, ") + megabytes + " MiB read");
}

}  // namespace

CGamesDlg::CGamesDlg(wxWindow* parent, slots::EditMode mode, games::DsLanguage language, Link link,
                     MainSelection mainSelection)
    : wxDialog(parent, wxID_ANY, "Games on the card", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      mode_(mode),
      language_(language),
      linkTo_(std::move(link)),
      mainSelection_(std::move(mainSelection)) {
    const int gap = FromDIP(8);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(
        new wxStaticText(this, wxID_ANY,
                         mode_ == slots::EditMode::Nds ? "The DS games on the card and their saves:"
                                                       : "The GBA games on the card and their "
                                                         "saves:"),
        0, wxLEFT | wxRIGHT | wxTOP, gap);
    roms_ = new wxListCtrl(this, wxID_ANY, wxDefaultPosition, FromDIP(wxSize(640, 240)),
                           wxLC_REPORT | wxLC_SINGLE_SEL | wxBORDER_SUNKEN);
    for (const char* title : kRomColumns) {
        roms_->AppendColumn(title, wxLIST_FORMAT_LEFT);
    }
    if (mode_ == slots::EditMode::Nds) {
        // GBA ROMs have no icon: their rows are only as tall as their text.
        icons_ = new wxImageList(games::kDsIconSide, games::kDsIconSide, false);
        roms_->AssignImageList(icons_, wxIMAGE_LIST_SMALL);
    }
    sizer->Add(roms_, 3, wxEXPAND | wxALL, gap);
    // The files of the mode's extension that are not games, counted; listed on request.
    auto* notGames = new wxBoxSizer(wxHORIZONTAL);
    notGamesLine_ = new wxStaticText(this, wxID_ANY, wxEmptyString);
    notGames->Add(notGamesLine_, 1, wxALIGN_CENTER_VERTICAL | wxRIGHT, gap);
    notGamesButton_ = new wxButton(this, kNotGamesId, "List them");
    notGames->Add(notGamesButton_, 0, wxALIGN_CENTER_VERTICAL);
    sizer->Add(notGames, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, gap);
    notGamesLine_->Hide();
    notGamesButton_->Hide();
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { OnShowNotGames(); }, kNotGamesId);
    if (mode_ == slots::EditMode::Gba) {
        // The save types the user's cache does not know yet, read from the whole ROMs.
        auto* read = new wxBoxSizer(wxHORIZONTAL);
        readTypes_ = new wxButton(this, kReadTypesId, "Read the save types");
        read->Add(readTypes_, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, gap);
        gauge_ =
            new wxGauge(this, wxID_ANY, kGaugeRange, wxDefaultPosition, FromDIP(wxSize(160, -1)));
        read->Add(gauge_, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, gap);
        readLine_ = new wxStaticText(this, wxID_ANY, wxEmptyString, wxDefaultPosition,
                                     wxDefaultSize, wxST_NO_AUTORESIZE);
        // Room for the line of a long reading, so that it is never cut.
        readLine_->SetMinSize(wxSize(
            readLine_->GetTextExtent("Stopped: 9,999 of 9,999 ROMs, 99,999.9 MiB read").x, -1));
        read->Add(readLine_, 1, wxALIGN_CENTER_VERTICAL | wxRIGHT, gap);
        cancelRead_ = new wxButton(this, kCancelReadId, "Cancel");
        cancelRead_->Enable(false);
        read->Add(cancelRead_, 0, wxALIGN_CENTER_VERTICAL);
        sizer->Add(read, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, gap);
        Bind(
            wxEVT_BUTTON, [this](wxCommandEvent&) { OnReadTypes(); }, kReadTypesId);
        Bind(
            wxEVT_BUTTON, [this](wxCommandEvent&) { OnCancelReading(); }, kCancelReadId);
    }
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
    // The note's longest text fits the dialog.
    note_->SetMinSize(wxSize(
        note_
            ->GetTextExtent("Select a game, then the save to link to it: one below, or rows of "
                            "the main list.")
            .x,
        -1));
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

CGamesDlg::~CGamesDlg() {
    StopReading();
}

void CGamesDlg::StopReading() {
    // The reader posts to the dialog until it ends; once joined it posts nothing, and what it
    // posted before is dropped with the dialog.
    if (reader_.joinable()) {
        reader_.request_stop();
        reader_.join();
    }
}

void CGamesDlg::SetGames(std::shared_ptr<const games::CardGames> games) {
    if (!games) {
        // While the games are looked for again, the ones shown stay, and nothing can be linked
        // to them.
        looking_ = true;
        if (!games_) {
            roms_->DeleteAllItems();
            rows_.clear();
            roms_->InsertItem(0, kLooking, -1);
            roms_->Enable(false);
            lost_->Enable(false);
            FitColumns(roms_);
            FitColumns(lost_);
            GetSizer()->SetSizeHints(this);
        }
        UpdateLink();
        UpdateReadTypes();
        return;
    }
    // The game and the save selected stay selected where they are still listed.
    const long romIndex = games_ ? SelectedRom() : -1;
    const std::string romPath =
        romIndex >= 0 ? games_->roms[static_cast<std::size_t>(romIndex)].path : std::string();
    const long lostRow = games_ ? Selected(lost_) : -1;
    const std::string lostSlot =
        lostRow >= 0 && static_cast<std::size_t>(lostRow) < games_->slotsWithoutGame.size()
            ? games_->slotsWithoutGame[static_cast<std::size_t>(lostRow)].slotFile
            : std::string();
    looking_ = false;
    games_ = std::move(games);
    lost_->DeleteAllItems();
    roms_->Enable(true);
    lost_->Enable(true);
    FillRoms(romPath);
    for (std::size_t i = 0; i < games_->slotsWithoutGame.size(); ++i) {
        const games::SlotGame& slot = games_->slotsWithoutGame[i];
        const long row = lost_->InsertItem(static_cast<long>(i), ToWx(slot.slotFile));
        lost_->SetItem(row, 1, ToWx(LostSlotText(slot)));
        if (!lostSlot.empty() && slot.slotFile == lostSlot) {
            lost_->SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
        }
    }
    FitColumns(lost_);
    UpdateLink();
    UpdateReadTypes();
    if (!sized_) {
        // Fitted to the first games shown; later lists (after a link or a refresh) scroll
        // within the size the user sees, and the window never jumps wider.
        GetSizer()->SetSizeHints(this);
        sized_ = true;
    } else {
        Layout();
    }
}

std::string CGamesDlg::SaveText(const games::CardRom& rom) const {
    if (!rom.saveType) {
        if (const auto read = typesRead_.find(rom.path); read != typesRead_.end()) {
            return GbaSaveTypeText(read->second);
        }
    }
    return RomSaveText(rom, games::SaveNote::Short);
}

void CGamesDlg::FillRoms(const std::string& selectedPath) {
    roms_->Freeze();
    roms_->DeleteAllItems();
    rows_.clear();
    // The games first; the files without a valid header after them, when asked for.
    std::vector<std::size_t> notGames;
    for (std::size_t i = 0; i < games_->roms.size(); ++i) {
        (games_->roms[i].info.code.empty() ? notGames : rows_).push_back(i);
    }
    if (showNotGames_) {
        rows_.insert(rows_.end(), notGames.begin(), notGames.end());
    }
    const bool anyNotGames = !notGames.empty();
    if (anyNotGames) {
        notGamesLine_->SetLabel(ToWx(NotGamesText(notGames.size(), mode_)) + ".");
        notGamesButton_->SetLabel(showNotGames_ ? "Take them off the list" : "List them");
    }
    if (notGamesLine_->IsShown() != anyNotGames) {
        if (!anyNotGames && FindFocus() == notGamesButton_) {
            roms_->SetFocus();
        }
        notGamesLine_->Show(anyNotGames);
        notGamesButton_->Show(anyNotGames);
    }
    // A DS ROM without an icon gets a see-through one, so that every title starts at one
    // place.
    int noIcon = -1;
    if (icons_ != nullptr) {
        icons_->RemoveAll();
        wxImage blank(games::kDsIconSide, games::kDsIconSide);
        blank.InitAlpha();
        std::fill_n(blank.GetAlpha(), games::kDsIconSide * games::kDsIconSide, 0);
        noIcon = icons_->Add(wxBitmap(blank));
    }
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const long at = static_cast<long>(i);
        const games::CardRom& rom = games_->roms[rows_[i]];
        const auto icon = icons_ != nullptr ? RomIcon(rom.info) : std::nullopt;
        const int image = icon ? icons_->Add(*icon) : noIcon;
        const std::string title = rom.info.Title(language_);
        const long row = roms_->InsertItem(at, ToWx(title.empty() ? kUnknown : title), image);
        roms_->SetItem(row, 1, ToWx(rom.info.code.empty() ? kUnknown : rom.info.code));
        const std::string save = SaveText(rom);
        roms_->SetItem(row, 2, ToWx(save.empty() ? kUnknown : save));
        roms_->SetItem(row, 3, ToWx(base::DisplayText(rom.place)));
        roms_->SetItem(row, 4, ToWx(rom.slotFiles.empty() ? kNoSaveYet : Joined(rom.slotFiles)));
        if (!selectedPath.empty() && rom.path == selectedPath) {
            roms_->SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
        }
    }
    FitColumns(roms_);
    roms_->Thaw();
}

const games::CardRom* CGamesDlg::RomOfRow(long row) const {
    if (!games_ || row < 0 || static_cast<std::size_t>(row) >= rows_.size()) {
        return nullptr;
    }
    return &games_->roms[rows_[static_cast<std::size_t>(row)]];
}

void CGamesDlg::OnShowNotGames() {
    if (!games_) {
        return;
    }
    showNotGames_ = !showNotGames_;
    const long romIndex = SelectedRom();
    FillRoms(romIndex >= 0 ? games_->roms[static_cast<std::size_t>(romIndex)].path : std::string());
    UpdateLink();
    Layout();
}

long CGamesDlg::SelectedRom() const {
    const games::CardRom* rom = RomOfRow(Selected(roms_));
    return rom != nullptr ? static_cast<long>(rom - games_->roms.data()) : -1;
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
        if (column == 0 && list == roms_ && icons_ != nullptr && icons_->GetImageCount() > 0) {
            width += games::kDsIconSide + FromDIP(4);
        }
        list->SetColumnWidth(column, width + padding);
        total += width + padding;
    }
    if (sized_) {
        return;  // the dialog keeps its size: a longer text scrolls
    }
    const int scrollBar = wxSystemSettings::GetMetric(wxSYS_VSCROLL_X, list);
    const int wanted = std::min(total + scrollBar + FromDIP(8), FromDIP(1100));
    int height = list->GetMinSize().y;
    wxRect first;
    if (list == roms_ && list->GetItemCount() > 0 && list->GetItemRect(0, first)) {
        // Room for up to ten rows of games, at least five, below the header.
        const int rows = std::clamp(list->GetItemCount(), 5, 10);
        height = first.y + rows * first.height + FromDIP(6) + scrollBar;
    }
    list->SetMinSize(wxSize(std::max(FromDIP(480), wanted), height));
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
    const long rom = games_ ? SelectedRom() : -1;
    const std::vector<std::string> slots = SlotsToLink();
    const bool romChosen = rom >= 0;
    // Saves that belong to the chosen game already: a link would change nothing.
    bool linked = romChosen && !slots.empty();
    if (linked) {
        const std::vector<std::string>& ofRom =
            games_->roms[static_cast<std::size_t>(rom)].slotFiles;
        for (const std::string& slot : slots) {
            linked = linked && std::find(ofRom.begin(), ofRom.end(), slot) != ofRom.end();
        }
    }
    const bool enable = !looking_ && romChosen && !slots.empty() && !linked;
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
        const wxString place =
            ToWx(base::DisplayText(games_->roms[static_cast<std::size_t>(rom)].place));
        note = linked ? ToWx(Joined(slots)) + (slots.size() == 1 ? " is" : " are") + " linked to " +
                            place + "."
                      : "The button links " + ToWx(Joined(slots)) + " to " + place + ".";
    }
    note_->SetLabel(note);
}

void CGamesDlg::OnLink() {
    const long rom = games_ && !looking_ ? SelectedRom() : -1;
    if (rom < 0 || !linkTo_ || !link_->IsEnabled()) {
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

void CGamesDlg::UpdateReadTypes() {
    if (readTypes_ == nullptr) {
        return;
    }
    bool unknown = false;
    if (games_) {
        for (const games::CardRom& rom : games_->roms) {
            unknown = unknown || (!rom.info.code.empty() && !rom.saveType &&
                                  typesRead_.find(rom.path) == typesRead_.end());
        }
    }
    if (!unknown && FindFocus() == readTypes_) {
        roms_->SetFocus();
    }
    readTypes_->Enable(!reading_ && unknown);
}

void CGamesDlg::OnReadTypes() {
    if (readTypes_ == nullptr || !games_ || reading_ || !readTypes_->IsEnabled()) {
        return;
    }
    // The games whose type is not known; files that are not games have none to read.
    std::vector<std::string> paths;
    for (const games::CardRom& rom : games_->roms) {
        if (!rom.info.code.empty() && !rom.saveType &&
            typesRead_.find(rom.path) == typesRead_.end()) {
            paths.push_back(rom.path);
        }
    }
    if (paths.empty()) {
        return;
    }
    StopReading();  // an earlier reading has ended: this only joins its thread
    reading_ = true;
    readStarted_ = true;
    progress_ = games::SaveTypeProgress{};
    progress_.romCount = paths.size();
    gauge_->SetValue(0);
    readLine_->SetLabel(ProgressText(progress_));
    cancelRead_->Enable(true);
    UpdateReadTypes();
    cancelRead_->SetFocus();
    // The reader touches nothing of the window: it posts what it found as calls on the window's
    // thread, and the dialog joins it before it goes.
    reader_ = std::jthread(
        [this, paths = std::move(paths), readPiece = romReader_](std::stop_token stop) {
            games::SaveTypeReading reading;
            reading.readPiece = readPiece;
            reading.progress = [this](const games::SaveTypeProgress& progress) {
                CallAfter([this, progress] { ShowProgress(progress); });
            };
            reading.found = [this, &paths](std::size_t rom, const games::GbaSaveType& type) {
                CallAfter([this, path = paths[rom], type] { TypeRead(path, type); });
            };
            try {
                ReadGbaSaveTypes(paths, reading, stop);
            } catch (...) {
                // Out of memory: the types not read stay unknown.
            }
            const bool stopped = stop.stop_requested();
            CallAfter([this, stopped] { ReadingEnded(stopped); });
        });
}

void CGamesDlg::OnCancelReading() {
    if (!reading_) {
        return;
    }
    reader_.request_stop();
    cancelRead_->Enable(false);
    readLine_->SetLabel("Stopping: " + ProgressText(progress_));
}

void CGamesDlg::ShowProgress(const games::SaveTypeProgress& progress) {
    if (!reading_) {
        return;
    }
    progress_ = progress;
    const double part = progress.bytesToRead == 0 ? 1.0
                                                  : static_cast<double>(progress.bytesRead) /
                                                        static_cast<double>(progress.bytesToRead);
    gauge_->SetValue(std::clamp(static_cast<int>(part * kGaugeRange), 0, kGaugeRange));
    readLine_->SetLabel((reader_.get_stop_token().stop_requested() ? "Stopping: " : "") +
                        ProgressText(progress_));
}

void CGamesDlg::TypeRead(const std::string& romPath, const games::GbaSaveType& type) {
    typesRead_[romPath] = type;
    for (long row = 0; row < roms_->GetItemCount(); ++row) {
        const games::CardRom* rom = RomOfRow(row);
        if (rom != nullptr && rom->path == romPath) {
            roms_->SetItem(row, 2, ToWx(SaveText(*rom)));
        }
    }
    FitColumns(roms_);
}

void CGamesDlg::ReadingEnded(bool stopped) {
    reading_ = false;
    if (FindFocus() == cancelRead_) {
        roms_->SetFocus();
    }
    cancelRead_->Enable(false);
    if (!stopped) {
        gauge_->SetValue(kGaugeRange);
    }
    readLine_->SetLabel((stopped ? "Stopped: " : "") + ProgressText(progress_));
    UpdateReadTypes();
}

}  // namespace slotkit::app
