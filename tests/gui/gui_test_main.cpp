#include <gtest/gtest.h>
#include <wx/evtloop.h>
#include <wx/wx.h>

#include <chrono>

#include "gui_test_support.h"

#ifdef __WXMSW__
#include <wx/msw/wrapwin.h>
#endif

namespace {

class TestApp : public wxApp {
  public:
    bool OnInit() override { return true; }
};

}  // namespace

wxIMPLEMENT_APP_NO_MAIN(TestApp);

namespace slotkit::test {

void PumpEvents() {
    for (int i = 0; i < 5; ++i) {
        wxTheApp->ProcessPendingEvents();
        wxTheApp->Yield(true);
    }
}

void TypeKeys(const std::function<void(wxUIActionSimulator&)>& keys, int ms) {
    wxEventLoop loop;
    wxTimer timer;
    // The loop may be running another inside it by then (a dialog the keys opened).
    timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) { loop.ScheduleExit(); });
    timer.StartOnce(ms);
    wxTheApp->CallAfter([keys] {
        wxUIActionSimulator simulator;
        keys(simulator);
    });
    loop.Run();
}

bool WaitFor(const std::function<bool()>& done, int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        TypeKeys([](wxUIActionSimulator&) {}, 100);
    }
    return true;
}

}  // namespace slotkit::test

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    // Assertions inside wx must fail the test, not open a dialog.
    wxSetAssertHandler([](const wxString& file, int line, const wxString& func,
                          const wxString& cond, const wxString& msg) {
        throw std::runtime_error(
            (file + ":" + wxString::Format("%d", line) + " " + func + ": " + cond + " " + msg)
                .utf8_string());
    });
#ifdef __WXMSW__
    // The window classes belong to this program's module.
    const bool started = wxEntryStart(::GetModuleHandleW(nullptr));
#else
    const bool started = wxEntryStart(argc, argv);
#endif
    if (!started || !wxTheApp->CallOnInit()) {
        std::fprintf(stderr, "cannot start wx (is there a display?)\n");
        return 1;
    }
    const int result = RUN_ALL_TESTS();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return result;
}
