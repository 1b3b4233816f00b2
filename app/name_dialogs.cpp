#include "app/name_dialogs.h"

#include <algorithm>

#include "app/dialog_units.h"

namespace slotkit::app {

NameEntryDlg::NameEntryDlg(wxWindow* parent, const NameDialogLayout& layout)
    : wxDialog(parent, wxID_ANY, wxString::FromUTF8(layout.caption), wxDefaultPosition,
               wxDefaultSize, wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX) {
    SetFont(LayoutFont(wxString::FromUTF8(layout.fontFace), layout.fontPoints));

    // Creation order is tab order.
    auto makeField = [&] {
        field_ = new wxTextCtrl(this, kNameFieldId, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                                wxBORDER_SUNKEN);
    };
    if (layout.fieldFirst) {
        makeField();
    }
    ok_ = new wxButton(this, wxID_OK, wxString::FromUTF8(layout.okLabel));
    cancel_ = new wxButton(this, wxID_CANCEL, "Cansel");
    if (!layout.fieldFirst) {
        makeField();
    }
    ok_->SetDefault();
    SetEscapeId(wxID_CANCEL);

    const DialogUnits du(this);
    int bottom = std::max(du.Place(field_, {5, 5, 120, layout.fieldHeightDu}),
                          du.Place(ok_, {130, 5, 50, 14}));
    du.Place(cancel_, {130, 25, 50, 14});
    const int cancelTop = ok_->GetRect().GetBottom() + 1 + du.Size(0, 3).y;
    if (cancel_->GetPosition().y < cancelTop) {
        cancel_->Move(cancel_->GetPosition().x, cancelTop);
    }
    bottom = std::max(bottom, cancel_->GetRect().GetBottom() + 1);

    const wxSize designed = du.Size(layout.widthDu, layout.heightDu);
    SetClientSize(designed.x, std::max(designed.y, bottom + du.Size(0, 5).y));
    (layout.fieldFirst ? static_cast<wxWindow*>(field_) : ok_)->SetFocus();
    CentreOnParent();
}

CSlotNameDlg::CSlotNameDlg(wxWindow* parent)
    : NameEntryDlg(
          parent, {"Please input DAT filename", 189, 59, "ＭＳ Ｐゴシック", 9, "Make", 13, false}) {
}

CRenameDlg::CRenameDlg(wxWindow* parent)
    : NameEntryDlg(
          parent, {"Please input new-filename.", 189, 47, "MS UI Gothic", 10, "Rename", 12, true}) {
}

}  // namespace slotkit::app
