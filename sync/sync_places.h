// Where a sync keeps what it knows beside the history: the record of a card and a folder, and
// the history of the folder's files that a sync replaces.
#pragma once

#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "slots/command_context.h"
#include "sync/sync_record.h"

namespace slotkit::sync {

// The record's lines; none when there is no record yet or it cannot be read.
std::vector<sync::RecordLine> ReadSyncRecord(const slots::CommandContext& context,
                                             const std::string& folder);
// The folders this card and mode were synced with, as their records name them.
std::vector<std::string> SyncedFolders(const slots::CommandContext& context);

std::error_code WriteSyncRecord(const slots::CommandContext& context, const std::string& folder,
                                const std::vector<sync::RecordLine>& lines);

// The folder this card was last synced with, where the window's folder chooser opens; nothing
// when none is remembered or that folder is gone.
std::optional<std::string> LastSyncFolder(const slots::CommandContext& context);
// Remembers `folder` as the folder this card was last synced with. Only a convenience: a
// failure to remember it is passed by.
void RememberSyncFolder(const slots::CommandContext& context, const std::string& folder);

}  // namespace slotkit::sync
