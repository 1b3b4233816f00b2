// Runs window tests inside a real wx application under Xvfb. Unexpected or missing modal
// dialogs fail the test by throwing, so a missed expectation never leaves a dialog open.
#pragma once

#include <gtest/gtest.h>
#include <wx/uiaction.h>
#include <wx/wx.h>
// after wx.h, which brings the standard headers weakref.h needs
#include <wx/weakref.h>

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

class ThrowingModalHook;
#define wxTEST_DIALOG_HOOK_CLASS ThrowingModalHook
#include <wx/testing.h>

#include "history_home.h"

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

// Types keys as the user does, from inside a running event loop that goes on for `ms`
// milliseconds so that they are handled: wxMSW under Wine hands simulated keys only to a loop
// that waits for messages, never to PumpEvents().
void TypeKeys(const std::function<void(wxUIActionSimulator&)>& keys, int ms = 500);

// Runs the event loop until `done` holds or `ms` milliseconds have gone by; false when they
// went by.
bool WaitFor(const std::function<bool()>& done, int ms = 5000);

// What "Export to a new file..." says of a DS save of 512 bytes whose game is not on the card.
inline constexpr const char* kExportedWithAGuessedSize =
    "Success!\nThe new file holds a save of 512 bytes.\nThe game's save size is not known (the "
    "slot's ROM is not on the card): the size was guessed from the save's data. Another size can "
    "be chosen in the file chooser's size box (export-new --size on the command line).";

// A message box with exactly this caption and text, answered with `answer` (wxID_OK,
// wxID_YES, wxID_NO). With `textStart`, the text need only begin with `text` (the system's own
// error texts differ between platforms).
class ExpectMessage : public wxExpectModalBase<wxMessageDialog> {
  public:
    ExpectMessage(const char* caption, const char* text, int answer = wxID_OK,
                  bool textStart = false)
        : caption_(wxString::FromUTF8(caption)),
          text_(wxString::FromUTF8(text)),
          answer_(answer),
          textStart_(textStart) {}

  protected:
    int OnInvoked(wxMessageDialog* dialog) const override {
        EXPECT_EQ(dialog->GetTitle().utf8_string(), caption_.utf8_string());
        const std::string shown = dialog->GetMessage().utf8_string();
        if (textStart_) {
            EXPECT_EQ(shown.rfind(text_.utf8_string(), 0), 0u) << shown;
        } else {
            EXPECT_EQ(shown, text_.utf8_string());
        }
        return answer_;
    }
    wxString GetDefaultDescription() const override {
        return "message box \"" + caption_ + ": " + text_ + "\"";
    }

  private:
    wxString caption_, text_;
    int answer_;
    bool textStart_;
};

// A modal dialog of type `Dialog`, handled by `body`, which gives the answer.
template <class Dialog>
class ExpectWith : public wxExpectModalBase<Dialog> {
  public:
    explicit ExpectWith(std::function<int(Dialog*)> body) : body_(std::move(body)) {}

  protected:
    int OnInvoked(Dialog* dialog) const override { return body_(dialog); }

  private:
    std::function<int(Dialog*)> body_;
};

// A name dialog of type `Dialog`, answered by typing `name` and pressing OK, or cancelled
// when `name` is nothing.
template <class Dialog>
class ExpectNameDialog : public wxExpectModalBase<Dialog> {
  public:
    explicit ExpectNameDialog(std::optional<std::string> name) : name_(std::move(name)) {}

  protected:
    int OnInvoked(Dialog* dialog) const override {
        EXPECT_TRUE(dialog->EnteredName().empty());
        if (!name_) {
            return wxID_CANCEL;
        }
        dialog->Field()->SetValue(wxString::FromUTF8(*name_));
        return wxID_OK;
    }

  private:
    std::optional<std::string> name_;
};

}  // namespace slotkit::test
