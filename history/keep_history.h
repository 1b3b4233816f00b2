// Keeping a slot's current bytes in the history before a command changes or removes it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "slots/command_context.h"

namespace slotkit::history {

// The history folder of this run and the folder in it for this card and mode.
struct HistoryPlace {
    std::string root;
    std::string modeFolder;
    std::string cardName;    // the card's folder name in the history (empty for a PC folder)
    std::string cardFolder;  // root / cardName
};
std::error_code FindHistoryPlace(const slots::CommandContext& context, HistoryPlace& place);

// The history folder that keeps the versions of the files of a PC folder (an emulator's save
// folder that a sync writes): "<history>/pc-<folder made safe>/FILES", beside the cards'
// folders, so that the history's bounds count it too.
std::error_code FindFolderHistoryPlace(const slots::CommandContext& context,
                                       const std::string& folder, HistoryPlace& place);

// `path` as one absolute, normalised path without a trailing separator, so that one folder
// always has one history and one sync record.
std::string WholePath(const std::string& path);

// Keeps the current bytes of the slot files `fileNames` (rows without a file and files that are
// not there are left out) before `command` changes them: all of them first, flushed together.
// A slot that cannot be kept is asked about; false when the user answers No, and the command
// must then change nothing.
bool KeepBeforeChange(const slots::CommandContext& context,
                      const std::vector<std::string>& fileNames, std::string_view command);
// The same for one slot whose current bytes the command has read already.
bool KeepBeforeChange(const slots::CommandContext& context, const std::string& fileName,
                      std::span<const std::uint8_t> bytes, std::string_view command);

// The ROM title that slot bytes hold, as the list shows it.
std::string TitleOfSlotBytes(const slots::CommandContext& context,
                             std::span<const std::uint8_t> bytes);

}  // namespace slotkit::history
