#include <wx/app.h>

#include <cstdio>
#include <cstdlib>

#include "app/slot_manager_app.h"

#ifdef __WXMSW__
#include <wx/msw/wrapwin.h>
#endif

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
#ifdef __WXMSW__
    // Windows: the window classes belong to this program's module, and wx reads the UTF-16
    // command line itself.
    (void)argc;
    (void)argv;
    return wxEntry(::GetModuleHandleW(nullptr));
#else
    return wxEntry(argc, argv);
#endif
}
