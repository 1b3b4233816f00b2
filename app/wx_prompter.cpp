#include "app/wx_prompter.h"

#include <wx/dirdlg.h>
#include <wx/filedlg.h>
#include <wx/msgdlg.h>
#include <wx/progdlg.h>
#include <wx/utils.h>

#include <cctype>

#include "app/name_dialogs.h"
#include "app/wx_text.h"
#include "base/ascii.h"
#include "slots/command_context.h"

namespace slotkit::app {

namespace {

class WxBusyScope : public ports::BusyScope {
    wxBusyCursor cursor_;
};

// Shown at the first update: a reading that ends at once shows nothing. Its text says how far
// the reading is; no elapsed time, which Windows' own progress box folds away under "details".
class WxProgressScope : public ports::ProgressScope {
  public:
    WxProgressScope(wxWindow* parent, std::string_view title) : parent_(parent), title_(title) {}

    bool Update(std::uint64_t done, std::uint64_t total, std::string_view text) override {
        constexpr int kSteps = 1000;
        const int value = total == 0 ? 0 : static_cast<int>(std::min(done, total) * kSteps / total);
        if (!dialog_) {
            dialog_ = std::make_unique<wxProgressDialog>(
                ToWx(title_), ToWx(text), kSteps, parent_,
                wxPD_APP_MODAL | wxPD_CAN_ABORT | wxPD_AUTO_HIDE);
        }
        return dialog_->Update(std::min(value, kSteps - 1), ToWx(text));
    }

  private:
    wxWindow* parent_;
    std::string title_;
    std::unique_ptr<wxProgressDialog> dialog_;
};

std::string AnyCasePattern(const std::string& pattern) {
#ifdef __WXGTK__
    std::string out;
    for (char c : pattern) {
        if (base::AsciiUpper(c) != base::AsciiLower(c)) {
            out += '[';
            out += base::AsciiUpper(c);
            out += base::AsciiLower(c);
            out += ']';
        } else {
            out += c;
        }
    }
    return out;
#else
    return pattern;
#endif
}

}  // namespace

wxString FileDialogWildcard(const std::vector<ports::FileFilter>& filters) {
    wxString wildcard;
    for (const ports::FileFilter& filter : filters) {
        if (!wildcard.empty()) {
            wildcard += '|';
        }
        wildcard += ToWx(filter.description) + '|' + ToWx(AnyCasePattern(filter.pattern));
    }
    return wildcard;
}

void WxPrompter::Message(std::string_view text, std::string_view caption, ports::MessageKind kind) {
    const long icon = kind == ports::MessageKind::Failure ? wxICON_ERROR : wxICON_INFORMATION;
    wxMessageBox(ToWx(text), ToWx(caption), wxOK | icon, parent_);
}

bool WxPrompter::AskYesNo(std::string_view text, std::string_view caption) {
    // Only Yes goes on: Escape and the close box leave the question as No does.
    return wxMessageBox(ToWx(text), ToWx(caption), wxYES_NO | wxICON_QUESTION, parent_) == wxYES;
}

std::optional<std::string> WxPrompter::CardStillIn(std::optional<std::string> chosen) {
    if (chosen && cardInDrive_ && !cardInDrive_()) {
        Message(ports::text::kNoCard, ports::text::kCaptionAlert, ports::MessageKind::Failure);
        return std::nullopt;
    }
    return chosen;
}

std::optional<std::string> WxPrompter::ChooseFile(ChooserKind kind,
                                                  const std::vector<ports::FileFilter>& filters,
                                                  std::string_view title,
                                                  const std::string& startFolder) {
    if (chooserStub_) {
        return CardStillIn(chooserStub_({kind, filters, std::string(title), startFolder}));
    }
    if (kind == ChooserKind::Folder) {
        wxDirDialog dialog(parent_, ToWx(title), ToWx(startFolder),
                           wxDD_DEFAULT_STYLE | wxDD_DIR_MUST_EXIST);
        if (dialog.ShowModal() != wxID_OK) {
            return std::nullopt;
        }
        return CardStillIn(FromWx(dialog.GetPath()));
    }
    const long style = kind == ChooserKind::Open ? (wxFD_OPEN | wxFD_FILE_MUST_EXIST)
                                                 : (wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    wxFileDialog dialog(parent_, title.empty() ? wxString(wxFileSelectorPromptStr) : ToWx(title),
                        wxEmptyString, wxEmptyString, FileDialogWildcard(filters), style);
    if (dialog.ShowModal() != wxID_OK) {
        return std::nullopt;
    }
    return CardStillIn(FromWx(dialog.GetPath()));
}

std::optional<std::string> WxPrompter::ChooseOpenFile(const std::vector<ports::FileFilter>& filters,
                                                      std::string_view title) {
    return ChooseFile(ChooserKind::Open, filters, title);
}

std::optional<std::string> WxPrompter::ChooseSaveFile(const std::vector<ports::FileFilter>& filters,
                                                      std::string_view title) {
    return ChooseFile(ChooserKind::Save, filters, title);
}

std::optional<std::string> WxPrompter::ChooseFolder(std::string_view title) {
    return ChooseFile(ChooserKind::Folder, {}, title);
}

std::optional<std::string> WxPrompter::ChooseFolderIn(std::string_view title,
                                                      const std::string& startFolder) {
    return ChooseFile(ChooserKind::Folder, {}, title, startFolder);
}

std::optional<std::string> WxPrompter::AskSlotName() {
    CSlotNameDlg dialog(parent_);
    if (dialog.ShowModal() != wxID_OK) {
        return std::nullopt;
    }
    return FromWx(dialog.EnteredName());
}

std::optional<std::string> WxPrompter::AskNewName() {
    CRenameDlg dialog(parent_);
    if (dialog.ShowModal() != wxID_OK) {
        return std::nullopt;
    }
    return FromWx(dialog.EnteredName());
}

void WxPrompter::Beep() {
    wxBell();
}

std::unique_ptr<ports::BusyScope> WxPrompter::Busy() {
    return std::make_unique<WxBusyScope>();
}

std::unique_ptr<ports::ProgressScope> WxPrompter::Progress(std::string_view title) {
    return std::make_unique<WxProgressScope>(parent_, title);
}

}  // namespace slotkit::app
