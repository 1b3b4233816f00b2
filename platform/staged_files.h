// Several files written or removed together, each the safe way, with one flush of each folder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <system_error>

namespace slotkit::platform {

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
    // many were put in place. When all are in place but a flush of their folders fails, the
    // error is a NotConfirmed one (platform/durable_writes.h).
    std::error_code Commit(std::size_t& committed);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Removes files (never folders) of the history, then flushes each of their folders once. A file
// already gone counts as removed. The first failure is returned; the other files are still
// removed.
std::error_code RemoveFilesTogether(std::span<const std::string> paths);

}  // namespace slotkit::platform
