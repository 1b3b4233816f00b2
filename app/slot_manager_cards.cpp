// The cards as the system sees them come and go: a card put in is offered and, when none is
// chosen, listed; a listed card taken out empties the list; "Eject the card" lets it go.
#include <wx/utils.h>

#include <algorithm>
#include <exception>

#include "app/slot_manager_dlg.h"
#include "app/wx_text.h"
#include "commands/eject_card.h"
#include "commands/refresh.h"
#include "platform/files.h"
#include "ports/captions.h"

namespace slotkit::app {

namespace {

constexpr const char* kCardTakenOut =
    "The card was taken out. The list stays empty until a card is chosen.";
constexpr const char* kCommandStillRunning =
    "A command is still working on the card: eject it once the command is done.";

bool HoldsSaveFolder(const std::string& root) {
    return platform::IsDirectory(root + "NDSSAVE") || platform::IsDirectory(root + "GAMESAVE");
}

}  // namespace

void CSlotManagerDlg::WatchCards() {
    drives_ = driveSource_();
    // The events come several to a mount: the window looks once they are all in.
    cardEvents_ = std::make_unique<platform::CardEvents>([this] {
        if (!cardsChangePending_) {
            cardsChangePending_ = true;
            CallAfter([this] { OnCardsChanged(); });
        }
    });
}

void CSlotManagerDlg::FillDriveList() {
    driveList_->Clear();
    for (const std::string& drive : drives_) {
        driveList_->Append(ToWx(drive));
    }
    const int chosen = driveList_->FindString(ToWx(cardRoot_));
    if (!cardRoot_.empty() && chosen != wxNOT_FOUND) {
        driveList_->SetSelection(chosen);
    } else {
        driveList_->SetSelection(wxNOT_FOUND);
    }
}

void CSlotManagerDlg::OnCardsChanged() {
    // A command and its questions finish first; the window follows when it ends.
    if (commandsRunning_ > 0) {
        return;
    }
    OnCardsChangedNow();
}

void CSlotManagerDlg::OnCardsChangedNow() {
    cardsChangePending_ = false;
    const std::vector<std::string> before = drives_;
    drives_ = driveSource_();
    if (!cardRoot_.empty()) {
        FillDriveList();
        if (!CardInDrive()) {
            cardRoot_.clear();
            FillDriveList();
            slotView_->Show({});
            OnListingChanged();
            prompter_.Message(kCardTakenOut, ports::text::kCaptionAlert, ports::MessageKind::Info);
        }
        return;
    }
    for (const std::string& drive : drives_) {
        if (std::find(before.begin(), before.end(), drive) == before.end() &&
            HoldsSaveFolder(drive)) {
            cardRoot_ = drive;
            FillDriveList();
            Run(commands::Refresh);
            return;
        }
    }
    FillDriveList();
}

void CSlotManagerDlg::OnEjectCard() {
    HideHover();
    if (cardRoot_.empty()) {
        return;
    }
    if (commandsRunning_ > 0) {
        prompter_.Message(kCommandStillRunning, ports::text::kCaptionAlert,
                          ports::MessageKind::Failure);
        return;
    }
    if (!CardStillThere()) {
        return;
    }
    // The search for the card's games reads the card: it lets go first.
    gamesSearch_->DropAndWait();
    // Neither listed nor its unfinished writes finished first: an eject writes nothing.
    const std::string root = cardRoot_;
    platform::EjectResult result;
    try {
        auto busy = prompter_.Busy();
        result = commands::EjectRemovableCard(root);
    } catch (const std::exception& error) {
        result = {platform::EjectOutcome::Refused, error.what(), {}};
    }
    const bool ejected = result.outcome == platform::EjectOutcome::Ejected;
    if (ejected) {
        cardRoot_.clear();
        drives_ = driveSource_();
        FillDriveList();
        slotView_->Show({});
        OnListingChanged();
    }
    prompter_.Message(commands::EjectMessage(result, root),
                      ejected ? commands::kCaptionEject : ports::text::kCaptionAlert,
                      ejected ? ports::MessageKind::Info : ports::MessageKind::Failure);
}

}  // namespace slotkit::app
