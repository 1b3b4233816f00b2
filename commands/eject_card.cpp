#include "commands/eject_card.h"

#include <algorithm>

#include "base/ascii.h"
#include "platform/drives.h"
#include "ports/captions.h"
#include "slots/card_paths.h"

namespace slotkit::commands {

namespace {

std::string Holders(const std::vector<platform::CardHolder>& holders) {
    std::string named;
    for (std::size_t i = 0; i < holders.size(); ++i) {
        if (i > 0) {
            named += i + 1 == holders.size() ? " and " : ", ";
        }
        named += holders[i].program + " (process " + std::to_string(holders[i].pid) + ")";
    }
    return named;
}

}  // namespace

platform::EjectResult EjectRemovableCard(const std::string& cardRoot) {
    const std::string root = slots::AsCardRoot(cardRoot);
    const std::vector<std::string> drives = platform::RemovableDrives();
    const bool removable = std::any_of(drives.begin(), drives.end(), [&](const std::string& drive) {
        return base::EqualIgnoringAsciiCase(slots::AsCardRoot(drive), root);
    });
    if (!removable) {
        return {platform::EjectOutcome::NotMounted, root, {}};
    }
    return platform::EjectCard(root);
}

std::string EjectMessage(const platform::EjectResult& result, const std::string& cardRoot) {
    using platform::EjectOutcome;
    const std::string unchanged = " Nothing was changed; do not take the card out yet.";
    switch (result.outcome) {
        case EjectOutcome::Ejected:
            return kCardCanBeTakenOut;
        case EjectOutcome::NotMounted:
            return "No card is mounted at " + cardRoot + ": there is nothing to eject.";
        case EjectOutcome::MountedTwice:
            return "The card is mounted at " + result.detail + " too: unmount it there first." +
                   unchanged;
        case EjectOutcome::Busy:
            if (result.holders.empty()) {
                return "The card is in use by another program: close its files on the card, "
                       "then eject the card again." +
                       unchanged;
            }
            return "The card is in use: " + Holders(result.holders) +
                   " has files or folders of the card open. Close them, then eject the card "
                   "again." +
                   unchanged;
        case EjectOutcome::Refused:
            return "The system did not eject the card (" + result.detail + ")." + unchanged;
        case EjectOutcome::Vanished:
            return "The card was taken out before the system had ejected it (" + result.detail +
                   "). Files that other programs were writing to it may be incomplete.";
        case EjectOutcome::FlushFailed:
            return "The card's files could not be written out (" + result.detail + ")." + unchanged;
    }
    return "The card was not ejected." + unchanged;
}

void EjectTheCard(const slots::CommandContext& context) {
    platform::EjectResult result;
    {
        auto busy = context.prompter.Busy();
        result = EjectRemovableCard(context.cardRoot);
    }
    const bool ejected = result.outcome == platform::EjectOutcome::Ejected;
    context.prompter.Message(EjectMessage(result, context.cardRoot),
                             ejected ? kCaptionEject : ports::text::kCaptionAlert,
                             ejected ? ports::MessageKind::Info : ports::MessageKind::Failure);
}

}  // namespace slotkit::commands
