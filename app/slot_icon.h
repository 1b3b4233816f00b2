// The program's icon: a memory card with an arrow onto it.
#pragma once

#include <wx/iconbndl.h>

namespace slotkit::app {

wxIconBundle SlotIconBundle();

}  // namespace slotkit::app
