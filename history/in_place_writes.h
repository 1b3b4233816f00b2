// Slot writes that keep the slot's length go in place, behind an intent record in the history;
// the rest go through the safe replace. And the finishing of the in-place writes that a pulled
// card or a stopped program left unfinished.
//
// The records of a card and mode live in its mode folder of the history, one a slot:
// "<history>/<card>/<NDSSAVE or GAMESAVE>/<slot file>.intent" (history/intent_record.h says what
// they hold), beside the slots' folders of kept versions. One slotkit process at a time writes
// or finishes them: "<history>/<card>/slotkit.lock" is locked meanwhile.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <system_error>
#include <vector>

#include "slots/command_context.h"

namespace slotkit::history {

// A slot file's new whole content.
struct SlotWrite {
    std::string fileName;
    std::span<const std::uint8_t> bytes;
};

// Writes each slot's new content. A slot file that is there with the new content's length is
// rewritten in place: first every record of the batch is written to the history and flushed
// together, then the slots are written and flushed one by one, each record removed once its
// slot's flush has returned. Every other write (a new file, another length, no history to hold
// the records) goes through platform::ReplaceFile. One result per write, in order.
std::vector<std::error_code> WriteSlots(const slots::CommandContext& context,
                                        std::span<const SlotWrite> writes);
std::error_code WriteSlot(const slots::CommandContext& context, const std::string& fileName,
                          std::span<const std::uint8_t> bytes);

// True for a failure after which the slot may not be as it was: an in-place write that may
// have left part of the new bytes in the slot (its record stays, and the next command or
// listing of the card finishes it), or a change made whose flush failed.
bool LeftUnfinished(const std::error_code& error);

// Finishes the unfinished in-place writes of the context's card and mode before a command or
// listing: a slot that holds its new bytes has its record removed; one that holds its old bytes
// or a mix is written again from the record. The user is told which slots were finished. A
// damaged record, one of another card or mode, or one whose slot is not there (or has another
// length now) is never applied: it is left where it is and named to the user, once a run.
// Waits while another slotkit process writes or finishes the same card.
void FinishUnfinishedWrites(const slots::CommandContext& context);

// The lock file of a card's in-place writes, in its folder of the history.
std::string IntentLockPath(const std::string& cardHistoryFolder);

}  // namespace slotkit::history
