// The small window that shows the game of the slot row under the pointer: its icon and what
// is known of it. It takes neither the focus nor the pointer.
#pragma once

#include <wx/panel.h>
#include <wx/popupwin.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include <optional>

namespace slotkit::app {

class SlotGamePopup : public wxPopupWindow {
  public:
    explicit SlotGamePopup(wxWindow* parent);

    // Shows `text` (and `icon` where there is one) with its top left corner at `onScreen`,
    // moved to stay on the pointer's display.
    void ShowAt(const wxPoint& onScreen, const wxString& text, const std::optional<wxBitmap>& icon);
    // Moves the shown popup along with the pointer.
    void MoveTo(const wxPoint& onScreen);

    wxString Text() const { return text_->GetLabel(); }
    bool HasIcon() const { return icon_->IsShown(); }

  private:
    wxPanel* panel_ = nullptr;
    wxStaticBitmap* icon_ = nullptr;
    wxStaticText* text_ = nullptr;
};

}  // namespace slotkit::app
