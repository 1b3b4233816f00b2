// A slotkit window shown for one test and destroyed after it. Its file choosers answer with
// the paths a test queues in `chosenPaths` (none: Cancel) and record what they were asked.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/slot_manager_dlg.h"
#include "gui_test_support.h"
#include "temp_card.h"

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
    std::vector<long> SelectedRows() const {
        std::vector<long> rows;
        for (long row = -1; (row = window->SlotList()->GetNextItem(row, wxLIST_NEXT_ALL,
                                                                   wxLIST_STATE_SELECTED)) != -1;) {
            rows.push_back(row);
        }
        return rows;
    }

    // Real input, as the user gives it: the pointer moved and the buttons and keys pressed
    // through the system, from inside a running event loop.
    // The middle of a row of the slot list, on the screen.
    wxPoint RowOnScreen(long row) const {
        wxRect rect;
        window->SlotList()->GetItemRect(row, rect);
        return window->SlotList()->ClientToScreen(rect.GetPosition() +
                                                  wxPoint(rect.width / 3, rect.height / 2));
    }
    // Right-clicks at `onScreen`; each menu that opens is looked at by `look` (when given) and
    // then answered with `inMenu` (Escape when it is empty). Gives how many menus opened.
    int RightClickAt(wxPoint onScreen, std::function<void(wxUIActionSimulator&)> inMenu = {},
                     std::function<void(wxMenu*)> look = {}, int ms = 1500) {
        int menus = 0;
        wxTimer answer;
        answer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
            wxUIActionSimulator input;
            if (inMenu) {
                inMenu(input);
            } else {
                input.Char(WXK_ESCAPE);
            }
        });
        auto opened = [&](wxMenuEvent& event) {
            ++menus;
            if (look) {
                look(event.GetMenu());
            }
            answer.StartOnce(300);
            event.Skip();
        };
        window->Bind(wxEVT_MENU_OPEN, opened);
        TypeKeys(
            [onScreen](wxUIActionSimulator& input) {
                input.MouseMove(onScreen);
                input.MouseClick(wxMOUSE_BTN_RIGHT);
            },
            ms);
        if (window) {
            window->Unbind(wxEVT_MENU_OPEN, opened);
        }
        return menus;
    }
    // Clicks the middle of a control with the left button.
    static void ClickOn(wxWindow* control, int ms = 700) {
        const wxPoint at = control->ClientToScreen(
            wxPoint(control->GetClientSize().x / 2, control->GetClientSize().y / 2));
        TypeKeys(
            [at](wxUIActionSimulator& input) {
                input.MouseMove(at);
                input.MouseClick();
            },
            ms);
    }
    // Clicks a row of a list, a third of the way along it.
    static void ClickListRow(wxListCtrl* list, long row, int ms = 700) {
        wxRect rect;
        ASSERT_TRUE(list->GetItemRect(row, rect));
        const wxPoint at =
            list->ClientToScreen(rect.GetPosition() + wxPoint(rect.width / 3, rect.height / 2));
        TypeKeys(
            [at](wxUIActionSimulator& input) {
                input.MouseMove(at);
                input.MouseClick();
            },
            ms);
    }
    bool WindowClosed() const { return !window || window->IsBeingDeleted() || !window->IsShown(); }
};

// The window over a temporary card, offered as a removable drive while `cardInserted`, with its
// history beside the card.
class CardWindowTest : public WindowTest {
  protected:
    TempCard card;
    bool cardInserted = true;

    void SetUp() override {
        OpenWindow([this] {
            return cardInserted ? std::vector<std::string>{card.Root()}
                                : std::vector<std::string>{};
        });
        window->SetHistoryFolder((card.Dir() / "history").string());
    }
    void Select(std::initializer_list<long> rows) {
        for (long row : rows) {
            window->SlotList()->SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
        }
    }
};

}  // namespace slotkit::test
