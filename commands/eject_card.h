// "Eject the card": the card's files written out and its volume unmounted (and the drive
// powered off where it can be), told as the system confirmed it.
#pragma once

#include <string>

#include "platform/eject.h"
#include "slots/command_context.h"

namespace slotkit::commands {

inline constexpr const char* kCaptionEject = "Eject the card";
inline constexpr const char* kCardCanBeTakenOut = "The card can be taken out.";

// Ejects the card of `context` and tells the user what the system answered. Nothing on the
// card is written by it.
void EjectTheCard(const slots::CommandContext& context);

// Ejects the card at `cardRoot` when it is one of the removable drives; a folder typed into the
// drive box or given on the command line may be a system disk, which is never unmounted.
platform::EjectResult EjectRemovableCard(const std::string& cardRoot);

// The user's message for an eject's result at `cardRoot`.
std::string EjectMessage(const platform::EjectResult& result, const std::string& cardRoot);

}  // namespace slotkit::commands
