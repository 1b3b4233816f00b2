#include <wx/app.h>

#include <cstdio>
#include <cstdlib>

#include "app/slot_manager_app.h"

wxIMPLEMENT_APP_NO_MAIN(slotkit::app::CSlotManagerApp);

int main(int argc, char** argv) {
#if defined(__WXGTK__)
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr) {
        std::fputs(
            "slotkit-gui: there is no display to open the window on.\n"
            "Use the command line instead: slotkit --help\n",
            stderr);
        return 1;
    }
#endif
    return wxEntry(argc, argv);
}
