// The sync record of one card and one folder: for each pair, the hashes of the save data both
// sides held when it was last synced. Plain text, one pair a line, that a user can read.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sync/sync_rule.h"

namespace slotkit::sync {

struct RecordLine {
    std::string slotFileName;
    std::string fileName;  // the file's name in the folder
    LastSync last;
};

// A comment header naming the folder, then per pair: slot file, file, card hash, folder hash,
// tab separated, hashes as 16 hex digits.
std::string RecordText(std::string_view folder, const std::vector<RecordLine>& lines);
// The lines of a record; lines that cannot be read are left out, so that a damaged line makes
// its pair a first sync (a conflict where the sides differ), never a wrong way.
std::vector<RecordLine> ParseRecord(std::string_view text);

// The folder a record's header names; nothing when the text is not a sync record.
std::optional<std::string> RecordedFolder(std::string_view text);

// The line of a pair, its names compared without regard to ASCII letter case (FAT's rule, and
// the emulators' on Windows).
std::optional<LastSync> FindLast(const std::vector<RecordLine>& lines,
                                 std::string_view slotFileName, std::string_view fileName);

// The record's file name for a folder: "<save folder>_<folder made safe>.txt".
std::string RecordFileName(std::string_view saveFolderName, std::string_view folder);

}  // namespace slotkit::sync
