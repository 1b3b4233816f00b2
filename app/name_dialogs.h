// The two small dialogs that ask for a slot file name: one for a new blank slot, one for a
// rename. Both hold one text field (control 1007), an OK button and "Cansel".
#pragma once

#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/textctrl.h>

namespace slotkit::app {

inline constexpr int kNameFieldId = 1007;

struct NameDialogLayout {
    const char* caption;
    int widthDu, heightDu;
    const char* fontFace;
    int fontPoints;
    const char* okLabel;
    int fieldHeightDu;
    bool fieldFirst;  // the field is the first tab stop and starts with the focus
};

class NameEntryDlg : public wxDialog {
  public:
    NameEntryDlg(wxWindow* parent, const NameDialogLayout& layout);

    // The text typed into the field; it starts empty.
    wxString EnteredName() const { return field_->GetValue(); }
    wxTextCtrl* Field() const { return field_; }
    wxButton* OkButton() const { return ok_; }
    wxButton* CancelButton() const { return cancel_; }

  private:
    wxTextCtrl* field_ = nullptr;
    wxButton* ok_ = nullptr;
    wxButton* cancel_ = nullptr;
};

// "Please input DAT filename": the name of a new blank slot. The focus starts on "Make".
class CSlotNameDlg : public NameEntryDlg {
  public:
    explicit CSlotNameDlg(wxWindow* parent);
};

// "Please input new-filename.": the new name of a slot file. The focus starts in the field.
class CRenameDlg : public NameEntryDlg {
  public:
    explicit CRenameDlg(wxWindow* parent);
};

}  // namespace slotkit::app
