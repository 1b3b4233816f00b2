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

namespace slotkit::platform {

// The user's history folder: $XDG_DATA_HOME/slotkit/history (~/.local/share/slotkit/history
// when it is not set) on POSIX systems, %LOCALAPPDATA%\slotkit\history on Windows. Fails when
// the user has no home folder to put it in.
std::error_code DefaultHistoryFolder(std::string& folder);

// The serial number or UUID of the volume whose root folder `cardRoot` is; nothing when the
// folder is not a volume's root or the system does not tell it.
std::optional<std::string> VolumeId(const std::string& cardRoot);

// New whole contents for several files, written the safe way and flushed together: each is
// written to a temporary file beside its target at once, and Commit flushes all of them
// before the first is renamed over its target. Temporary files not committed are removed.
struct FileToStage {
    std::string target;
    std::span<const std::uint8_t> content;
};
class StagedFiles {
  public:
    StagedFiles();
    ~StagedFiles();
    StagedFiles(const StagedFiles&) = delete;
    StagedFiles& operator=(const StagedFiles&) = delete;

    std::error_code Stage(const std::string& target, std::span<const std::uint8_t> content);
    // Stages several files at once (where the system allows), in the order given.
    std::error_code StageAll(std::span<const FileToStage> files);
    // Flushes every staged file, then renames them over their targets in the order they were
    // staged and makes the renames durable. Stops at the first failure; `committed` tells how
    // many were put in place.
    std::error_code Commit(std::size_t& committed);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Removes files (never folders) of the history, then flushes each of their folders once. A file
// already gone counts as removed. The first failure is returned; the other files are still
// removed.
std::error_code RemoveFilesTogether(std::span<const std::string> paths);

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
std::vector<history::SlotVersions> ListKeptVersions(const std::string& modeFolder);
// The kept versions of one slot, oldest first.
std::vector<history::KeptVersion> KeptVersionsOf(const std::string& modeFolder,
                                                 const std::string& slotFileName);
// Reads a kept version back; fails when the copy is missing or no longer matches the size
// and hash its index gives.
std::error_code ReadKeptVersion(const std::string& modeFolder, const std::string& slotFileName,
                                const history::KeptVersion& version,
                                std::vector<std::uint8_t>& bytes);

}  // namespace slotkit::platform
