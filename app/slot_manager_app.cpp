#include "app/slot_manager_app.h"

#include "app/slot_manager_dlg.h"
#include "platform/platform.h"

namespace slotkit::app {

bool CSlotManagerApp::OnInit() {
    auto* window = new CSlotManagerDlg(platform::RemovableDrives);
    SetTopWindow(window);
    window->Show();
    return true;
}

}  // namespace slotkit::app
