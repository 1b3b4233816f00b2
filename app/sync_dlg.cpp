#include "app/sync_dlg.h"

#include <wx/display.h>
#include <wx/gdicmn.h>
#include <wx/settings.h>
#include <wx/sizer.h>

#include <algorithm>

#include "app/wx_text.h"
#include "base/display_text.h"

namespace slotkit::app {

namespace {

constexpr int kKeepCardId = 1017;
constexpr int kKeepFolderId = 1018;
constexpr int kLeaveId = 1019;
constexpr int kFormatId = 1020;

}  // namespace

CSyncDlg::CSyncDlg(wxWindow* parent, const slots::CommandContext& context, std::string folder)
    : wxDialog(parent, wxID_ANY, "Sync with a folder", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      context_(context),
      folder_(std::move(folder)) {
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(new wxStaticText(this, wxID_ANY,
                                "The slots of the card and the files of " + ToWx(folder_) + ":"),
               0, wxALL, FromDIP(8));
    if (context_.mode == slots::EditMode::Nds) {
        auto* row = new wxBoxSizer(wxHORIZONTAL);
        row->Add(new wxStaticText(this, wxID_ANY, "Files:"), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT,
                 FromDIP(6));
        format_ = new wxChoice(this, kFormatId);
        format_->Append("<ROM name>.sav");
        format_->Append("<ROM name>.dsv (DeSmuME)");
        format_->SetSelection(0);
        row->Add(format_);
        sizer->Add(row, 0, wxLEFT | wxRIGHT | wxBOTTOM, FromDIP(8));
    }
    list_ = new wxListCtrl(this, wxID_ANY, wxDefaultPosition, FromDIP(wxSize(720, 260)),
                           wxLC_REPORT | wxLC_SINGLE_SEL | wxBORDER_SUNKEN);
    list_->AppendColumn("Slot");
    list_->AppendColumn("File");
    list_->AppendColumn("What happens");
    list_->SetColumnWidth(0, FromDIP(110));
    list_->SetColumnWidth(1, FromDIP(200));
    list_->SetColumnWidth(2, FromDIP(400));
    sizer->Add(list_, 1, wxEXPAND | wxLEFT | wxRIGHT, FromDIP(8));
    // Room for three lines, so that a long reason wraps without the dialog jumping.
    detail_ = new wxStaticText(this, wxID_ANY, "", wxDefaultPosition,
                               wxSize(-1, 3 * GetCharHeight() + FromDIP(4)));
    sizer->Add(detail_, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, FromDIP(8));
    notes_ = new wxStaticText(this, wxID_ANY, "");
    sizer->Add(notes_, 0, wxEXPAND | wxALL, FromDIP(8));

    auto* choices = new wxBoxSizer(wxHORIZONTAL);
    choices->Add(new wxStaticText(this, wxID_ANY, "A conflict:"), 0,
                 wxALIGN_CENTER_VERTICAL | wxRIGHT, FromDIP(6));
    keepCard_ = new wxButton(this, kKeepCardId, "Keep the card's save");
    keepFolder_ = new wxButton(this, kKeepFolderId, "Keep the folder's file");
    leave_ = new wxButton(this, kLeaveId, "Leave it");
    for (wxButton* button : {keepCard_, keepFolder_, leave_}) {
        choices->Add(button, 0, wxRIGHT, FromDIP(6));
    }
    sizer->Add(choices, 0, wxLEFT | wxRIGHT, FromDIP(8));
    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    sync_ = new wxButton(this, wxID_OK, "Sync");
    buttons->Add(sync_, 0, wxRIGHT, FromDIP(8));
    buttons->Add(new wxButton(this, wxID_CANCEL, "Cancel"));
    sizer->Add(buttons, 0, wxALIGN_RIGHT | wxALL, FromDIP(8));
    SetSizerAndFit(sizer);
    SetEscapeId(wxID_CANCEL);
    Replan();
    CentreOnParent();

    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { Settle(sync::Prefer::Card); }, kKeepCardId);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { Settle(sync::Prefer::Folder); }, kKeepFolderId);
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { Settle(sync::Prefer::Neither); }, kLeaveId);
    Bind(
        wxEVT_CHOICE, [this](wxCommandEvent&) { Replan(); }, kFormatId);
    Bind(wxEVT_LIST_ITEM_SELECTED, [this](wxListEvent&) {
        EnableChoices();
        ShowDetail();
    });
    Bind(wxEVT_LIST_ITEM_DESELECTED, [this](wxListEvent&) {
        EnableChoices();
        ShowDetail();
    });
}

void CSyncDlg::Replan() {
    const sync::SyncFormat format =
        format_ && format_->GetSelection() == 1 ? sync::SyncFormat::Dsv : sync::SyncFormat::Sav;
    std::string failure;
    plan_ = PlanSync(context_, folder_, format, failure);
    planned_.clear();
    if (plan_) {
        for (const sync::SyncPair& pair : plan_->pairs) {
            planned_.push_back(pair.decision);
        }
    }
    notes_->SetLabel(plan_ ? wxString() : ToWx(failure));
    Fill();
}

void CSyncDlg::Fill() {
    list_->DeleteAllItems();
    std::string notes;
    if (plan_) {
        for (const sync::SyncPair& pair : plan_->pairs) {
            const long row = list_->InsertItem(list_->GetItemCount(), ToWx(pair.slotFileName));
            list_->SetItem(row, 1, ToWx(pair.fileName));
            list_->SetItem(row, 2, ToWx(WayText(pair)));
        }
        // A folder full of other files must not stretch the dialog off the screen.
        constexpr std::size_t kNamesShown = 8;
        const auto& unmatched = plan_->unmatched;
        if (!unmatched.empty()) {
            notes = "Files that no slot pairs with, left as they are:";
            for (std::size_t i = 0; i < std::min(unmatched.size(), kNamesShown); ++i) {
                notes += " " + base::DisplayText(unmatched[i]);
            }
            if (unmatched.size() > kNamesShown) {
                notes += " and " + std::to_string(unmatched.size() - kNamesShown) + " more";
            }
        }
        notes_->SetLabel(ToWx(plan_->pairs.empty() ? "No slot names a game." : notes));
    }
    FitColumns();
    notes_->Wrap(list_->GetSize().x);
    sync_->Enable(plan_ && PlanWrites(*plan_));
    EnableChoices();
    ShowDetail();
    Layout();
}

// Every column as wide as its widest text, the dialog widened for them up to most of the
// screen: a reason cut off at the list's edge would be read only with the scroll bar, which GTK
// shows only under the pointer. A line still too long for the screen ends in "..." at the
// list's edge and is read whole in the detail line below the list.
void CSyncDlg::FitColumns() {
    const bool empty = !plan_ || plan_->pairs.empty();
    const int last = list_->GetColumnCount() - 1;
    int wanted = 0;
    for (int column = 0; column <= last; ++column) {
        if (empty) {
            list_->SetColumnWidth(column, FromDIP(150));
        } else {
            // By the widest text, the heading's included. (Sized "by the heading", Windows
            // stretches the last column to the list's edge, and the dialog would never widen.)
            wxListItem heading;
            heading.SetMask(wxLIST_MASK_TEXT);
            list_->GetColumn(column, heading);
            const int headingWidth = list_->GetTextExtent(heading.GetText()).x + FromDIP(16);
            list_->SetColumnWidth(column, wxLIST_AUTOSIZE);
            if (list_->GetColumnWidth(column) < headingWidth) {
                list_->SetColumnWidth(column, headingWidth);
            }
        }
        wanted += list_->GetColumnWidth(column);
    }
    // Room for a vertical scroll bar beside the columns.
    const int margin = wxSystemSettings::GetMetric(wxSYS_VSCROLL_X, list_) + FromDIP(4);
    int missing = wanted + margin - list_->GetClientSize().x;
    if (missing <= 0) {
        return;
    }
    const int most = wxGetClientDisplayRect().width * 9 / 10;
    wxSize size = GetSize();
    if (size.x < most) {
        const int grown = std::min(size.x + missing, most);
        missing -= grown - size.x;
        size.x = grown;
        SetSize(size);
        Layout();
    }
    if (missing > 0) {
        list_->SetColumnWidth(last, std::max(FromDIP(150), list_->GetColumnWidth(last) - missing));
    }
}

void CSyncDlg::ShowDetail() {
    const long row = SelectedRow();
    wxString text;
    if (plan_ && row >= 0 && static_cast<std::size_t>(row) < plan_->pairs.size()) {
        const sync::SyncPair& pair = plan_->pairs[row];
        text = ToWx(
            base::DisplayText(pair.slotFileName) + " <-> " +
            (pair.fileName.empty() ? std::string("(no file)") : base::DisplayText(pair.fileName)) +
            ": " + WayText(pair));
    } else if (plan_ && !plan_->pairs.empty()) {
        text = "Select a row to read here what happens to it, and why.";
    }
    detail_->SetLabel(text);
    detail_->Wrap(list_->GetSize().x);
    Layout();
}

long CSyncDlg::SelectedRow() const {
    return list_->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
}

void CSyncDlg::EnableChoices() {
    const long row = SelectedRow();
    const bool conflict = plan_ && row >= 0 && static_cast<std::size_t>(row) < planned_.size() &&
                          plan_->pairs[row].blocked.empty() &&
                          planned_[row].way == sync::Way::Conflict;
    for (wxButton* button : {keepCard_, keepFolder_, leave_}) {
        button->Enable(conflict);
    }
}

void CSyncDlg::Settle(sync::Prefer prefer) {
    const long row = SelectedRow();
    if (!plan_ || row < 0 || static_cast<std::size_t>(row) >= planned_.size()) {
        return;
    }
    sync::SyncPair& pair = plan_->pairs[row];
    pair.decision = sync::Settle(planned_[row], prefer);
    list_->SetItem(row, 2, ToWx(WayText(pair)));
    FitColumns();
    ShowDetail();
    sync_->Enable(PlanWrites(*plan_));
}

}  // namespace slotkit::app
