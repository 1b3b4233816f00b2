// Places controls by the dialog-unit rectangles of the window's layout, converted with the
// window's font. Heights grow to what the platform's control needs, so nothing is cut.
#pragma once

#include <wx/window.h>

namespace slotkit::app {

struct DialogRect {
    int x, y, width, height;
};

class DialogUnits {
  public:
    explicit DialogUnits(wxWindow* reference) : reference_(reference) {}

    wxPoint Point(int x, int y) const { return reference_->ConvertDialogToPixels(wxPoint(x, y)); }
    wxSize Size(int width, int height) const {
        return reference_->ConvertDialogToPixels(wxSize(width, height));
    }

    // Moves `control` to `rect`, no lower than the control's best height, and returns the
    // bottom edge in pixels.
    int Place(wxWindow* control, DialogRect rect) const;

  private:
    wxWindow* reference_;
};

// "MS UI Gothic" at `points` where it is installed, else the platform's default GUI font.
wxFont LayoutFont(const wxString& preferredFace, int points);

}  // namespace slotkit::app
