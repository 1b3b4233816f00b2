#include "app/slot_manager_app.h"

#include <wx/debug.h>

#include "app/slot_manager_dlg.h"
#include "platform/drives.h"

namespace slotkit::app {

bool CSlotManagerApp::OnInit() {
#ifdef NDEBUG
    // A failed wx check is the toolkit's own bug report, not something a user can act on.
    wxDisableAsserts();
#endif
    auto* window = new CSlotManagerDlg(platform::RemovableDrives);
    SetTopWindow(window);
    window->Show();
    return true;
}

}  // namespace slotkit::app
