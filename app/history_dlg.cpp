#include "app/history_dlg.h"

#include <wx/dcclient.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include <algorithm>

#include "app/wx_text.h"
#include "commands/run_command.h"
#include "sync/sync_places.h"

namespace slotkit::app {

namespace {

constexpr int kPutBackId = 1016;
constexpr const char* kColumns[] = {"File", "Version", "Kept", "Command", "Size", "ROM title"};

}  // namespace

CHistoryDlg::CHistoryDlg(wxWindow* parent, const slots::CommandContext& context,
                         std::string slotFileName, std::set<std::string> onCard)
    : wxDialog(parent, wxID_ANY, "History", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      context_(context),
      slotFileName_(std::move(slotFileName)),
      onCard_(std::move(onCard)) {
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    const wxString heading = slotFileName_.empty()
                                 ? wxString(
                                       "The versions kept of the slots no longer on the card "
                                       "and of the files a sync replaced:")
                                 : "The versions kept of " + ToWx(slotFileName_) +
                                       ", of the slots no longer on the card and of the files a "
                                       "sync replaced:";
    sizer->Add(new wxStaticText(this, wxID_ANY, heading), 0, wxALL, FromDIP(8));
    list_ = new wxListCtrl(this, wxID_ANY, wxDefaultPosition, FromDIP(wxSize(640, 260)),
                           wxLC_REPORT | wxLC_SINGLE_SEL | wxBORDER_SUNKEN);
    for (const char* title : kColumns) {
        list_->AppendColumn(title, wxLIST_FORMAT_LEFT);
    }
    sizer->Add(list_, 1, wxEXPAND | wxLEFT | wxRIGHT, FromDIP(8));
    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    putBack_ = new wxButton(this, kPutBackId, "Put back");
    buttons->Add(putBack_, 0, wxRIGHT, FromDIP(8));
    buttons->Add(new wxButton(this, wxID_CANCEL, "Close"));
    sizer->Add(buttons, 0, wxALIGN_RIGHT | wxALL, FromDIP(8));
    Fill();
    FitColumns();
    SetSizerAndFit(sizer);
    SetEscapeId(wxID_CANCEL);

    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { OnPutBack(); }, kPutBackId);
    Bind(wxEVT_LIST_ITEM_SELECTED, [this](wxListEvent&) { putBack_->Enable(); });
    Bind(wxEVT_LIST_ITEM_DESELECTED, [this](wxListEvent&) { putBack_->Disable(); });
}

void CHistoryDlg::FitColumns() {
    // Each column as wide as its header or its widest cell, whichever is wider, with room for
    // the cell's padding; the list as wide as its columns and a scroll bar.
    const int padding = FromDIP(24);
    wxClientDC dc(list_);
    dc.SetFont(list_->GetFont());
    int total = 0;
    for (int column = 0; column < list_->GetColumnCount(); ++column) {
        int width = dc.GetTextExtent(kColumns[column]).x;
        for (long row = 0; row < list_->GetItemCount(); ++row) {
            width = std::max(width, dc.GetTextExtent(list_->GetItemText(row, column)).x);
        }
        list_->SetColumnWidth(column, width + padding);
        total += width + padding;
    }
    const int scrollBar = wxSystemSettings::GetMetric(wxSYS_VSCROLL_X, list_);
    list_->SetMinSize(
        wxSize(std::max(FromDIP(480), total + scrollBar + FromDIP(8)), list_->GetMinSize().y));
}

void CHistoryDlg::Fill() {
    std::error_code error;
    const auto all = commands::ListHistory(context_, "", error);
    entries_.clear();
    // The selected slot's versions first, newest first; then those of deleted slots.
    // A slot's versions are its own whatever letter case its name is listed in.
    auto onCard = [this](const std::string& name) {
        return std::any_of(onCard_.begin(), onCard_.end(), [&](const std::string& listed) {
            return history::SameSlotFile(listed, name);
        });
    };
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        if (history::SameSlotFile(it->slotFileName, slotFileName_)) {
            entries_.push_back(*it);
        }
    }
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        if (!history::SameSlotFile(it->slotFileName, slotFileName_) && !onCard(it->slotFileName)) {
            entries_.push_back(*it);
        }
    }
    // Then the files of the folders this card was synced with, which a sync replaced.
    for (const std::string& folder : sync::SyncedFolders(context_)) {
        const auto files = commands::ListFolderHistory(context_, folder, "", error);
        entries_.insert(entries_.end(), files.rbegin(), files.rend());
    }
    list_->DeleteAllItems();
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const commands::HistoryEntry& e = entries_[i];
        const std::string shown =
            e.folder.empty() ? e.slotFileName : e.slotFileName + " in " + e.folder;
        const long row = list_->InsertItem(static_cast<long>(i), ToWx(shown));
        list_->SetItem(row, 1, wxString::Format("%d", e.version.number));
        list_->SetItem(row, 2, ToWx(e.localTime));
        list_->SetItem(row, 3, ToWx(e.version.command));
        list_->SetItem(row, 4, ToWx(std::to_string(e.version.size)));
        list_->SetItem(row, 5, ToWx(e.version.title));
    }
    if (!entries_.empty()) {
        list_->SetItemState(0, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED,
                            wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
    }
    putBack_->Enable(!entries_.empty());
}

void CHistoryDlg::OnPutBack() {
    const long row = list_->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
    if (row < 0 || static_cast<std::size_t>(row) >= entries_.size()) {
        return;
    }
    const commands::HistoryEntry entry = entries_[static_cast<std::size_t>(row)];
    commands::RunCommand(context_, [&](const slots::CommandContext& context) {
        if (entry.folder.empty()) {
            commands::PutBackVersion(context, entry.slotFileName, entry.version.number);
        } else {
            commands::PutBackFolderFile(context, entry.folder, entry.slotFileName,
                                        entry.version.number);
        }
    });
    // A slot made again is on the card now; its versions stay in view.
    onCard_.erase(entry.slotFileName);
    if (slotFileName_.empty() && entry.folder.empty()) {
        slotFileName_ = entry.slotFileName;
    }
    Fill();
    FitColumns();
}

}  // namespace slotkit::app
