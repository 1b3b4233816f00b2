// What one crash state of a card holds: the card read back with mtools and checked with
// `fsck.fat -n`, each slot under test found to hold its old bytes, its new bytes, nothing, or
// something else.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace slotkit::crash {

// Files by their path on the card ("NDSSAVE/A.DAT"), the path in upper case as FAT compares it.
using CardFiles = std::map<std::string, std::vector<unsigned char>>;

CardFiles ReadTree(const std::string& folder);
std::string FatKey(const std::string& path);

// The files of one slot, which change together: one file, or the old and the new name of a
// rename.
using SlotGroup = std::vector<std::string>;

struct Expectation {
    CardFiles before, after;       // the card before the command and after it, as a PC sees it
    std::vector<SlotGroup> slots;  // what the command changes; every other file stays
};

enum class SlotState { kOld, kNew, kAbsent, kBroken };

struct FsckResult {
    bool clean = true;     // nothing at all to say
    bool harmless = true;  // at most the dirty bit, the free count, lost clusters, the FAT copy
    std::string finding;   // the first finding beyond those
};

// Sorts the lines `fsck.fat -n` printed into what a crash may leave (the dirty bit, the free
// cluster count, clusters no file uses, a second FAT copy that differs from an intact first) and
// what damages a file.
FsckResult ReadFsckReport(const std::string& report, int status);

struct StateVerdict {
    std::vector<SlotState> slots;  // one per slot group
    FsckResult fsck;
    std::vector<std::string> problems;  // why the state is broken, if it is
    bool broken() const { return !problems.empty(); }
};

// Classifies `card` (the state read back) against what the command should leave; `readErrors`
// is what mtools said on standard error while reading it.
StateVerdict Classify(const Expectation& expected, const CardFiles& card,
                      const std::string& readErrors, const FsckResult& fsck);

// Reads the image at `image` into `scratch` (emptied first) and checks it.
StateVerdict CheckImage(const Expectation& expected, const std::string& image,
                        const std::string& scratch);

}  // namespace slotkit::crash
