#include "sync/sync_rule.h"

namespace slotkit::sync {

Decision Decide(std::uint64_t card, std::optional<std::uint64_t> folder,
                const std::optional<LastSync>& last) {
    if (!folder) {
        return {Way::ToFolder, "the folder has no file for this game yet"};
    }
    if (card == *folder) {
        return {Way::Nothing, "both hold the same save"};
    }
    if (!last) {
        return {Way::Conflict, "never synced before, and the two saves differ"};
    }
    const bool cardChanged = card != last->card;
    const bool folderChanged = *folder != last->folder;
    if (cardChanged && folderChanged) {
        return {Way::Conflict, "both changed since the last sync"};
    }
    if (cardChanged) {
        return {Way::ToFolder, "only the card's save changed since the last sync"};
    }
    if (folderChanged) {
        return {Way::ToCard, "only the folder's file changed since the last sync"};
    }
    // Neither changed since the sync, yet they differ: the last sync was cut short on one side.
    return {Way::Conflict, "they differ, though neither changed since the last sync"};
}

Decision Settle(const Decision& decision, Prefer prefer) {
    if (decision.way != Way::Conflict || prefer == Prefer::Neither) {
        return decision;
    }
    return prefer == Prefer::Card
               ? Decision{Way::ToFolder, decision.why + "; the card's save was chosen"}
               : Decision{Way::ToCard, decision.why + "; the folder's file was chosen"};
}

}  // namespace slotkit::sync
