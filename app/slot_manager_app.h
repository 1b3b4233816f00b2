// The application object: opens the main window; the program ends when it closes.
#pragma once

#include <wx/app.h>

namespace slotkit::app {

class CSlotManagerApp : public wxApp {
  public:
    bool OnInit() override;
};

}  // namespace slotkit::app
