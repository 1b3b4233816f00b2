// The program's icon: a memory card holding a save disk, as in res/icons.
#pragma once

#include <wx/iconbndl.h>

namespace slotkit::app {

wxIconBundle SlotIconBundle();

}  // namespace slotkit::app
