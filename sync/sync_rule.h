// Which way a save goes between a slot on the card and its file in an emulator's save folder:
// decided from the save data on each side and from what both held at the last sync.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace slotkit::sync {

enum class Way {
    Nothing,   // both sides hold the same save, or neither changed
    ToFolder,  // the card's save goes into the file
    ToCard,    // the file's save goes into the slot
    Conflict,  // both changed, or no record and they differ: only the user decides
};

// Which side wins a conflict: the user's choice, once for all pairs or per pair.
enum class Prefer { Neither, Card, Folder };

// The content hashes of the save data both sides held when the pair was last synced.
struct LastSync {
    std::uint64_t card = 0;
    std::uint64_t folder = 0;
};

struct Decision {
    Way way = Way::Nothing;
    std::string why;  // for the plan: "only the card's save changed since the last sync", ...
};

// `card`: the hash of the slot's save data; `folder`: of the file's save, nothing when there is
// no file. The slot always exists: a pair is made from a slot.
Decision Decide(std::uint64_t card, std::optional<std::uint64_t> folder,
                const std::optional<LastSync>& last);

// A conflict settled by the user's choice; any other decision stays as it is.
Decision Settle(const Decision& decision, Prefer prefer);

}  // namespace slotkit::sync
