// Seeing the versions the history keeps, and putting one back.
#pragma once

#include <string>
#include <system_error>
#include <vector>

#include "history/history_format.h"
#include "slots/command_context.h"

namespace slotkit::commands {

// One kept version, as the history lists it.
struct HistoryEntry {
    std::string slotFileName;
    history::KeptVersion version;
    std::string localTime;  // "2026-12-08 08:04:18", when it was kept
    std::string folder;     // a PC folder's file that a sync replaced; empty: a slot file
};

// The kept versions of `fileName`, or of every slot of this card and mode when it is empty,
// by slot file name and then oldest first.
std::vector<HistoryEntry> ListHistory(const slots::CommandContext& context,
                                      const std::string& fileName, std::error_code& error);

// Puts version `number` of the slot file `fileName` back (the newest when `number` is 0), after
// asking; the slot is made again when it was deleted. What it replaces is kept first.
void PutBackVersion(const slots::CommandContext& context, const std::string& fileName, int number);

// The same for the files of a PC folder that a sync replaced: their versions, and one put back.
std::vector<HistoryEntry> ListFolderHistory(const slots::CommandContext& context,
                                            const std::string& folder, const std::string& fileName,
                                            std::error_code& error);
void PutBackFolderFile(const slots::CommandContext& context, const std::string& folder,
                       const std::string& fileName, int number);

}  // namespace slotkit::commands
