// The states a card can be left in when the power goes while the logged writes reach it: every
// prefix of the log in order, and, for a card that reorders the writes it holds between two
// flushes, subsets of the writes of each such window on top of the state at its start.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "write_log.h"

namespace slotkit::crash {

// The writes between two flushes, as indexes into the log: a card may put them on its media in
// any order, and a crash may leave any subset of them there.
struct FlushWindow {
    std::size_t first = 0;  // the first write after the flush (or the start of the log)
    std::vector<std::size_t> writes;
};

std::vector<FlushWindow> FlushWindows(const WriteLog& log);

// The subsets of a window of `count` writes to try, as bit masks over its writes: all of them
// when there are at most `cap`, otherwise `cap` drawn from a generator seeded with `seed`. The
// empty set and the in-order prefixes are left out: the in-order replay has those states.
std::vector<std::vector<bool>> ReorderedSubsets(std::size_t count, std::size_t cap,
                                                std::uint64_t seed);

// A card image file that the log's writes are applied to and taken back from.
class ReplayImage {
  public:
    ReplayImage(const std::string& start, const std::string& working, std::uint32_t sectorSize);
    ~ReplayImage();
    ReplayImage(const ReplayImage&) = delete;
    ReplayImage& operator=(const ReplayImage&) = delete;

    bool ok() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }
    void Apply(const LoggedWrite& write);
    // Puts the sectors `write` covers back as they were in the start image plus `applied`.
    void Restore(const LoggedWrite& write, const std::vector<std::uint8_t>& before);
    std::vector<std::uint8_t> Read(const LoggedWrite& write) const;

  private:
    std::string path_;
    std::uint32_t sectorSize_;
    int fd_ = -1;
};

struct StateLabel {
    bool reordered = false;
    bool torn = false;        // in order: the write at `entries` reached the card in part
    std::size_t entries = 0;  // in order: writes applied; reordered: the window's first write
    std::string subset;       // reordered: which writes of the window, as 0/1
};

// A long write that a card may be cut off in the middle of: in order, each write of at least
// this many bytes is also tried with only its first half on the card.
inline constexpr std::size_t kTornWriteBytes = 32 * 1024;

// Calls `check` for the start image, after every logged write in order (and each long write
// cut in half), then for the sampled subsets of every window. `check` reads the image at
// `image`.
void ForEachCrashState(
    const WriteLog& log, const std::string& startImage, const std::string& workingImage,
    std::size_t reorderCap,
    const std::function<void(const StateLabel&, const std::string& image)>& check);

}  // namespace slotkit::crash
