// A slotkit window shown for one test and destroyed after it. Its file choosers answer with
// the paths a test queues in `chosenPaths` (none: Cancel) and record what they were asked.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "app/slot_manager_dlg.h"
#include "gui_test_support.h"

namespace slotkit::test {

class WindowTest : public ::testing::Test {
  protected:
    wxWeakRef<app::CSlotManagerDlg> window;
    std::vector<app::ChooserRequest> choosers;
    std::deque<std::optional<std::string>> chosenPaths;

    // Shows the window, offering the removable drives that `drives` names.
    void OpenWindow(app::CSlotManagerDlg::DriveSource drives) {
        window = new app::CSlotManagerDlg(std::move(drives));
        window->Prompter().SetChooserStub([this](const app::ChooserRequest& request) {
            choosers.push_back(request);
            auto path = chosenPaths.empty() ? std::nullopt : chosenPaths.front();
            if (!chosenPaths.empty()) {
                chosenPaths.pop_front();
            }
            return path;
        });
        window->Show();
        PumpEvents();
    }
    void TearDown() override {
        if (window) {
            window->Destroy();
        }
        PumpEvents();
    }

    // Chooses the first drive the drive box offers.
    void OpenCard() {
        window->OnDropDownDrives();
        window->DriveList()->SetSelection(0);
        window->OnSelectDrive();
    }
    void Click(int id) {
        wxCommandEvent event(wxEVT_BUTTON, id);
        event.SetEventObject(window->FindWindow(id));
        window->FindWindow(id)->GetEventHandler()->ProcessEvent(event);
    }
    wxString Cell(long row, int column) const {
        return window->SlotList()->GetItemText(row, column);
    }
};

}  // namespace slotkit::test
