#include "app/dialog_units.h"

#include <wx/fontenum.h>
#include <wx/settings.h>

#include <algorithm>

namespace slotkit::app {

int DialogUnits::Place(wxWindow* control, DialogRect rect) const {
    // Both corners are converted, as Windows maps a dialog rectangle, so that controls whose
    // edges meet in dialog units meet in pixels too instead of overlapping by a rounded pixel.
    const wxPoint position = Point(rect.x, rect.y);
    const wxPoint end = Point(rect.x + rect.width, rect.y + rect.height);
    wxSize size(end.x - position.x, end.y - position.y);
    size.y = std::max(size.y, control->GetBestSize().y);
    control->SetSize(wxRect(position, size));
    return position.y + size.y;
}

wxFont LayoutFont(const wxString& preferredFace, int points) {
    if (wxFontEnumerator::IsValidFacename(preferredFace)) {
        return wxFont(wxFontInfo(points).FaceName(preferredFace));
    }
    return wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
}

}  // namespace slotkit::app
