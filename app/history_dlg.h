// The "History" dialog: the kept versions of the selected slot and of the slots no longer on
// the card, and a "Put back" button.
#pragma once

#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/listctrl.h>

#include <set>
#include <string>
#include <vector>

#include "commands/history_commands.h"
#include "slots/command_context.h"

namespace slotkit::app {

class CHistoryDlg : public wxDialog {
  public:
    // `slotFileName`: the selected slot (empty: none); `onCard`: the slot files listed now.
    CHistoryDlg(wxWindow* parent, const slots::CommandContext& context, std::string slotFileName,
                std::set<std::string> onCard);

    // Puts the selected version back (the command asks first) and reads the versions again.
    void OnPutBack();

    wxListCtrl* Versions() const { return list_; }
    wxButton* PutBackButton() const { return putBack_; }
    const std::vector<commands::HistoryEntry>& Entries() const { return entries_; }

  private:
    void Fill();
    void FitColumns();

    slots::CommandContext context_;
    std::string slotFileName_;
    std::set<std::string> onCard_;
    std::vector<commands::HistoryEntry> entries_;  // in the list's order
    wxListCtrl* list_ = nullptr;
    wxButton* putBack_ = nullptr;
};

}  // namespace slotkit::app
