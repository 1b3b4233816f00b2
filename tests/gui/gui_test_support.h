// Runs window tests inside a real wx application under Xvfb. Unexpected or missing modal
// dialogs fail the test by throwing, so a missed expectation never leaves a dialog open.
#pragma once

#include <gtest/gtest.h>
#include <wx/wx.h>

#include <stdexcept>

class ThrowingModalHook;
#define wxTEST_DIALOG_HOOK_CLASS ThrowingModalHook
#include <wx/testing.h>

class ThrowingModalHook : public wxTestingModalHook {
  public:
    using wxTestingModalHook::wxTestingModalHook;

  protected:
    void ReportFailure(const wxString& failure) override {
        throw std::runtime_error(failure.utf8_string());
    }
};

namespace slotkit::test {

// Lets pending events and idle handlers run.
void PumpEvents();

}  // namespace slotkit::test
