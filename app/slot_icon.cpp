#include "app/slot_icon.h"

#include <wx/icon.h>

#ifndef __WXMSW__
#include "res/slotkit_16.xpm"
#include "res/slotkit_32.xpm"
#include "res/slotkit_48.xpm"
#endif

namespace slotkit::app {

wxIconBundle SlotIconBundle() {
    wxIconBundle bundle;
#ifdef __WXMSW__
    // The program's own icon resource, in the two sizes a Windows title bar and task bar use:
    // decoding pictures at start-up would cost the window's first milliseconds.
    for (int size : {16, 32}) {
        bundle.AddIcon(wxIcon("APPICON", wxBITMAP_TYPE_ICO_RESOURCE, size, size));
    }
#else
    bundle.AddIcon(wxIcon(slotkit_16));
    bundle.AddIcon(wxIcon(slotkit_32));
    bundle.AddIcon(wxIcon(slotkit_48));
#endif
    return bundle;
}

}  // namespace slotkit::app
