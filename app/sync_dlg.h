// The "Sync with a folder" dialog: the plan, pair by pair, with a choice of side for each
// conflict and of the file kind in NDS mode; "Sync" carries it out, "Cancel" writes nothing.
#pragma once

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/dialog.h>
#include <wx/listctrl.h>
#include <wx/stattext.h>

#include <string>
#include <vector>

#include "slots/command_context.h"
#include "sync/sync_plan.h"

namespace slotkit::app {

class CSyncDlg : public wxDialog {
  public:
    CSyncDlg(wxWindow* parent, const slots::CommandContext& context, std::string folder);

    // The plan as the user has settled it; nothing when the folder could not be read.
    const std::optional<sync::SyncPlan>& Plan() const { return plan_; }

    wxListCtrl* Pairs() const { return list_; }
    wxChoice* Format() const { return format_; }
    wxButton* KeepCardButton() const { return keepCard_; }
    wxButton* KeepFolderButton() const { return keepFolder_; }
    wxButton* LeaveButton() const { return leave_; }
    wxButton* SyncButton() const { return sync_; }
    // The selected row's whole line, wrapped: what happens and why.
    wxStaticText* Detail() const { return detail_; }

  private:
    void Replan();
    void Fill();
    void Settle(sync::Prefer prefer);
    void EnableChoices();
    void ShowDetail();
    void FitColumns();
    long SelectedRow() const;

    slots::CommandContext context_;
    std::string folder_;
    std::optional<sync::SyncPlan> plan_;
    std::vector<sync::Decision> planned_;  // each pair's decision before the user settled it
    wxListCtrl* list_ = nullptr;
    wxChoice* format_ = nullptr;
    wxStaticText* notes_ = nullptr;
    wxStaticText* detail_ = nullptr;
    wxButton* keepCard_ = nullptr;
    wxButton* keepFolder_ = nullptr;
    wxButton* leave_ = nullptr;
    wxButton* sync_ = nullptr;
};

}  // namespace slotkit::app
