// A save file dropped onto a row of the list: imported into that row's slot.
#include "app/slot_manager_dlg.h"

#include "commands/import_save.h"

namespace slotkit::app {

namespace {

constexpr const char* kDropHelp =
    "Drop one save file onto the row of the slot it goes into: it is imported into that slot.";

}  // namespace

void CSlotManagerDlg::OnDropFiles(const wxPoint& at, const std::vector<std::string>& paths) {
    int flags = 0;
    const long row = slotList_->HitTest(at, flags);
    if (paths.size() != 1 || row == wxNOT_FOUND || row >= slotList_->GetItemCount()) {
        prompter_.Message(kDropHelp, ports::text::kCaptionMessage, ports::MessageKind::Info);
        return;
    }
    if (!CardStillThere()) {
        return;
    }
    SelectOnlyRow(row);
    const std::string dropped = paths.front();
    Run([&dropped](const slots::CommandContext& context) {
        commands::ImportDroppedFile(context, dropped);
    });
}

}  // namespace slotkit::app
