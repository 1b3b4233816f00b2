// Helpers of the reliability suite: running the real `slotkit` binary, snapshots of a whole
// folder tree, and the checks every fault case makes on the bytes and on the outcome.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace slotkit::reliability {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

struct RunResult {
    int status = -1;  // exit status, or 128 + signal
    std::string out;
    std::string err;
    bool Crashed() const { return status >= 128; }
};

struct RunOptions {
    std::vector<std::string> env;     // extra "NAME=value" entries
    std::vector<std::string> prefix;  // a program that runs slotkit (setpriv ..., fiu-run ...)
};

RunResult RunProgram(const std::vector<std::string>& argv, const RunOptions& options = {});
RunResult RunSlotkit(const std::vector<std::string>& args, const RunOptions& options = {});
std::string Describe(const RunResult& result);

// Every entry below a root, by its path relative to the root: 'd' folder, 'f' file with its
// bytes, 'l' symbolic link with its target, 'o' anything else.
struct Entry {
    char type = 'o';
    Bytes bytes;
    bool operator==(const Entry&) const = default;
};
using Snapshot = std::map<std::string, Entry>;
Snapshot TakeSnapshot(const fs::path& root);

// Each entry is as before or as intended, and no other entry exists (a batch may stop between
// files, never inside one).
::testing::AssertionResult EachEntryBeforeOrIntended(const Snapshot& before,
                                                     const Snapshot& intended,
                                                     const Snapshot& after);
// The whole tree is as before or as intended (one-file commands and renames).
::testing::AssertionResult WholeBeforeOrIntended(const Snapshot& before, const Snapshot& intended,
                                                 const Snapshot& after);
// No `.slotkit-*` temporary file anywhere.
::testing::AssertionResult NoTemporaryFiles(const Snapshot& after);
// A run that did not reach the intended result reports failure: status 1, the failure on
// standard error, no "Success!". A run that reached it may not have crashed.
::testing::AssertionResult HonestOutcome(const RunResult& run, bool reachedIntended,
                                         bool canPrint = true);

// A fresh temporary folder, removed with everything in it at the end.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

Bytes Pattern(std::size_t size, std::uint32_t seed);
Bytes ReadBytes(const fs::path& path);
void WriteBytes(const fs::path& path, const Bytes& bytes);

bool IsRoot();
bool HaveProgram(const std::string& name);
std::string FindLibrary(const std::vector<std::string>& candidates);

// Mounts that are always removed again, also when a case fails.
class TmpfsMount {
  public:
    TmpfsMount(const fs::path& point, std::size_t bytes);
    ~TmpfsMount();
    bool ok() const { return ok_; }

  private:
    fs::path point_;
    bool ok_ = false;
};

// A FAT32 image made with mkfs.vfat and mounted through fusefat.
class FatImage {
  public:
    FatImage(const fs::path& image, const fs::path& point, std::size_t megabytes = 40);
    ~FatImage();
    bool Mount();
    void Unmount();
    bool ok() const { return ok_; }
    long driverPid() const { return pid_; }
    const fs::path& image() const { return image_; }

  private:
    fs::path image_;
    fs::path point_;
    long pid_ = -1;
    bool ok_ = false;
};

// Lazily unmounts what an interrupted earlier run left below the temporary folder.
void UnmountLeftovers();

// One way of calling a writing command: how its card and PC files are laid out below a root,
// and its arguments for that root.
struct Scenario {
    std::string name;
    std::function<void(const fs::path& root)> setup;
    std::function<std::vector<std::string>(const fs::path& root)> args;
    bool wholeTree = true;  // false for batches, which may stop between files
};

std::vector<Scenario> WritingScenarios();

// The card and PC layout shared by the scenarios: card/NDSSAVE with A.DAT (new form), B.DAT
// (old form), C.DAT (new form), and pc/ with files to restore, import, export and a ROM.
void LayOutCard(const fs::path& root);
fs::path CardOf(const fs::path& root);
fs::path SlotOf(const fs::path& root, const std::string& name);

}  // namespace slotkit::reliability
