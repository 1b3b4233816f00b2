#include "app/dialog_units.h"

#include <wx/fontenum.h>
#include <wx/settings.h>

#include <algorithm>

namespace slotkit::app {

int DialogUnits::Place(wxWindow* control, DialogRect rect) const {
    const wxPoint position = Point(rect.x, rect.y);
    wxSize size = Size(rect.width, rect.height);
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
