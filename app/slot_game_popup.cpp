#include "app/slot_game_popup.h"

#include <wx/display.h>

#include <wx/panel.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <algorithm>

namespace slotkit::app {

SlotGamePopup::SlotGamePopup(wxWindow* parent) : wxPopupWindow(parent, wxBORDER_SIMPLE) {
    panel_ = new wxPanel(this);
    panel_->SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_INFOBK));
    panel_->SetForegroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_INFOTEXT));
    icon_ = new wxStaticBitmap(panel_, wxID_ANY, wxBitmap(32, 32));
    text_ = new wxStaticText(panel_, wxID_ANY, wxEmptyString);
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    const int gap = FromDIP(6);
    row->Add(icon_, 0, wxALIGN_TOP | wxLEFT | wxTOP | wxBOTTOM, gap);
    row->Add(text_, 0, wxALIGN_CENTER_VERTICAL | wxALL, gap);
    panel_->SetSizer(row);
    auto* whole = new wxBoxSizer(wxVERTICAL);
    whole->Add(panel_, 1, wxEXPAND);
    SetSizer(whole);
}

void SlotGamePopup::ShowAt(const wxPoint& onScreen, const wxString& text,
                           const std::optional<wxBitmap>& icon) {
    if (icon) {
        icon_->SetBitmap(*icon);
    }
    icon_->Show(icon.has_value());
    text_->SetLabel(text);
    panel_->Layout();
    GetSizer()->SetSizeHints(this);
    Fit();
    MoveTo(onScreen);
    if (!IsShown()) {
        Show();
    }
    Refresh();
}

void SlotGamePopup::MoveTo(const wxPoint& onScreen) {
    // Kept on the display the pointer is on: left of the pointer near the right edge, above it
    // near the bottom.
    const int index = wxDisplay::GetFromPoint(onScreen);
    const wxRect area =
        wxDisplay(index == wxNOT_FOUND ? 0u : static_cast<unsigned>(index)).GetClientArea();
    const wxSize size = GetSize();
    wxPoint at = onScreen;
    if (at.x + size.x > area.GetRight()) {
        at.x = std::max(area.GetLeft(), area.GetRight() - size.x);
    }
    if (at.y + size.y > area.GetBottom()) {
        at.y = std::max(area.GetTop(), onScreen.y - size.y - FromDIP(28));
    }
    Move(at);
}

}  // namespace slotkit::app
