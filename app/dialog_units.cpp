#include "app/dialog_units.h"

#ifndef __WXMSW__
#include <wx/fontenum.h>
#endif
#include <wx/settings.h>

#include <algorithm>

#ifdef __WXMSW__
#include <wx/msw/wrapwin.h>
#endif

namespace slotkit::app {

namespace {

#ifdef __WXMSW__
// Asks the system for this one face only: wx's own check lists every installed font first,
// which costs the window's start-up tens of milliseconds where many fonts are installed.
bool FaceInstalled(const wxString& face) {
    if (face.empty() || face.length() >= LF_FACESIZE) {  // an empty face would list them all
        return false;
    }
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    std::copy_n(face.wc_str(), face.length(), wanted.lfFaceName);
    bool found = false;
    HDC screen = ::GetDC(nullptr);
    ::EnumFontFamiliesExW(
        screen, &wanted,
        [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) -> int {
            *reinterpret_cast<bool*>(found) = true;
            return 0;
        },
        reinterpret_cast<LPARAM>(&found), 0);
    ::ReleaseDC(nullptr, screen);
    return found;
}
#else
bool FaceInstalled(const wxString& face) {
    return wxFontEnumerator::IsValidFacename(face);
}
#endif

}  // namespace

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
    if (FaceInstalled(preferredFace)) {
        return wxFont(wxFontInfo(points).FaceName(preferredFace));
    }
    return wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
}

}  // namespace slotkit::app
