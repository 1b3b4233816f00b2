// The history on the PC: where it lives, and keeping, listing and reading back the versions of
// slot files in it. Every file is written the safe way, and the versions of one call are
// flushed together before any of them is put in place.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "history/history_format.h"

namespace slotkit::history {

// One slot's current bytes, to keep before a command changes or removes it.
struct VersionToKeep {
    std::string slotFileName;
    std::span<const std::uint8_t> bytes;
    std::string title;                  // the ROM title the slot holds, as listed
    std::optional<std::uint64_t> hash;  // the content hash of `bytes`, when already known
};

// Keeps each version in its slot's folder under `modeFolder` (a folder inside the history
// folder `historyRoot`) unless it equals that slot's newest kept version; then trims the whole
// history to its bounds. One result per version, in order.
std::vector<std::error_code> KeepVersions(const std::string& historyRoot,
                                          const std::string& modeFolder, std::string_view command,
                                          std::span<const VersionToKeep> versions);

// True when the newest version kept of the slot has this content hash and size, and its copy
// is there.
bool IsNewestKept(const std::string& modeFolder, const std::string& slotFileName,
                  std::uint64_t hash, std::uint64_t size);

// The kept versions of every slot that has a folder under `modeFolder`, by slot file name.
std::vector<SlotVersions> ListKeptVersions(const std::string& modeFolder);
// The kept versions of one slot, oldest first.
std::vector<KeptVersion> KeptVersionsOf(const std::string& modeFolder,
                                        const std::string& slotFileName);
// Reads a kept version back; fails when the copy is missing or no longer matches the size
// and hash its index gives.
std::error_code ReadKeptVersion(const std::string& modeFolder, const std::string& slotFileName,
                                const KeptVersion& version, std::vector<std::uint8_t>& bytes);

}  // namespace slotkit::history
