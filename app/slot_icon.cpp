#include "app/slot_icon.h"

#include <wx/icon.h>

#include "res/slotkit_16.xpm"
#include "res/slotkit_32.xpm"
#include "res/slotkit_48.xpm"

namespace slotkit::app {

wxIconBundle SlotIconBundle() {
    wxIconBundle bundle;
    bundle.AddIcon(wxIcon(slotkit_16));
    bundle.AddIcon(wxIcon(slotkit_32));
    bundle.AddIcon(wxIcon(slotkit_48));
    return bundle;
}

}  // namespace slotkit::app
