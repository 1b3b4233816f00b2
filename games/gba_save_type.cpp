#include "games/gba_save_type.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <string_view>

namespace slotkit::games {

namespace {

struct LibraryId {
    std::string_view text;
    GbaSaveKind kind;
    std::uint32_t size;
    bool clock;
};

constexpr LibraryId kIds[] = {
    {"EEPROM_V", GbaSaveKind::Eeprom, 0, false},
    {"SRAM_V", GbaSaveKind::Sram, 32768, false},
    {"SRAM_F_V", GbaSaveKind::Sram, 32768, false},
    {"FLASH_V", GbaSaveKind::Flash64K, 65536, false},
    {"FLASH512_V", GbaSaveKind::Flash64K, 65536, false},
    {"FLASH1M_V", GbaSaveKind::Flash128K, 131072, false},
    {"SIIRTC_V", GbaSaveKind::None, 0, true},
};

bool IsWordAligned(std::uint64_t offset) {
    return offset % 4 == 0;
}

constexpr std::uint32_t Word(const char (&text)[5]) {
    return std::bit_cast<std::uint32_t>(std::array<char, 4>{text[0], text[1], text[2], text[3]});
}

// Every ID starts with one of these, as a word in the host's byte order.
constexpr std::uint32_t kFirstWords[] = {Word("EEPR"), Word("SRAM"), Word("FLAS"), Word("SIIR")};

// 1 when `word` starts an ID, else 0; no branch, so that a loop of it can be vectorised.
unsigned StartsAnId(std::uint32_t word) {
    return unsigned{word == kFirstWords[0]} | unsigned{word == kFirstWords[1]} |
           unsigned{word == kFirstWords[2]} | unsigned{word == kFirstWords[3]};
}

std::uint32_t WordAt(const std::uint8_t* at) {
    std::uint32_t word;
    std::memcpy(&word, at, sizeof word);
    return word;
}

constexpr std::size_t kBlockBytes = 256;

#if defined(__GNUC__) || defined(__clang__)
#define SLOTKIT_ALWAYS_INLINE __attribute__((always_inline)) inline
#else
#define SLOTKIT_ALWAYS_INLINE inline
#endif

// Whether a block of 64 words holds a word that starts an ID. It has no branch, so that the
// compiler tests many words at once.
SLOTKIT_ALWAYS_INLINE bool BlockMayHoldAnId(const std::uint8_t* block) {
    unsigned hit = 0;
    for (std::size_t i = 0; i < kBlockBytes; i += 4) {
        hit |= StartsAnId(WordAt(block + i));
    }
    return hit != 0;
}

// The first block from `at` that may hold an ID, or the first offset past the whole blocks
// below `stop`.
std::size_t SkipBlocks(const std::uint8_t* data, std::size_t at, std::size_t stop) {
    while (at + kBlockBytes <= stop && !BlockMayHoldAnId(data + at)) {
        at += kBlockBytes;
    }
    return at;
}

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
// The same with 32-byte vectors, where the processor has them.
__attribute__((target("avx2"))) std::size_t SkipBlocksAvx2(const std::uint8_t* data, std::size_t at,
                                                           std::size_t stop) {
    while (at + kBlockBytes <= stop && !BlockMayHoldAnId(data + at)) {
        at += kBlockBytes;
    }
    return at;
}

std::size_t (*ChooseSkipBlocks())(const std::uint8_t*, std::size_t, std::size_t) {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? SkipBlocksAvx2 : SkipBlocks;
}
#else
std::size_t (*ChooseSkipBlocks())(const std::uint8_t*, std::size_t, std::size_t) {
    return SkipBlocks;
}
#endif

// Calls `found` with each of the offsets first, first + 4, ... below `stop` whose word starts an
// ID: whole blocks without one are skipped, and the others looked at word by word.
template <typename Found>
void ForEachCandidate(ByteSpan chunk, std::size_t first, std::size_t stop, Found found) {
    static const auto skipBlocks = ChooseSkipBlocks();
    const std::uint8_t* const data = chunk.data();
    std::size_t at = first;
    for (;;) {
        at = skipBlocks(data, at, stop);
        const std::size_t end = std::min(at + kBlockBytes, stop);
        for (; at < end; at += 4) {
            if (StartsAnId(WordAt(data + at))) {
                found(at);
            }
        }
        if (at >= stop) {
            return;
        }
    }
}

}  // namespace

void GbaSaveTypeScanner::TestAt(std::uint64_t offset, ByteSpan from) {
    for (const LibraryId& id : kIds) {
        if (from.size() < id.text.size() ||
            std::memcmp(from.data(), id.text.data(), id.text.size()) != 0) {
            continue;
        }
        if (id.clock) {
            result_.hasClock = true;
            continue;
        }
        kindsSeen_ |= 1u << static_cast<unsigned>(id.kind);
        if (found_ && result_.offset <= offset) {
            continue;
        }
        found_ = true;
        result_.kind = id.kind;
        result_.size = id.size;
        result_.offset = offset;
        result_.libraryId = std::string(id.text);
        for (std::size_t i = id.text.size(); i < from.size() && i < id.text.size() + 3; ++i) {
            if (from[i] < '0' || from[i] > '9') {
                break;
            }
            result_.libraryId += static_cast<char>(from[i]);
        }
    }
}

void GbaSaveTypeScanner::Feed(ByteSpan chunk) {
    if (chunk.empty()) {
        return;
    }
    const std::uint64_t tailStart = fed_ - tailSize_;
    const std::uint64_t total = fed_ + chunk.size();
    // Offsets from here on stay undecided: fewer than kWindow bytes are known from them.
    const std::uint64_t undecided = total >= kWindow ? total - (kWindow - 1) : 0;

    // The offsets in the tail kept from before, with the first bytes of this chunk behind them.
    std::array<std::uint8_t, 2 * kWindow> joined{};
    std::copy_n(tail_.begin(), tailSize_, joined.begin());
    const std::size_t joinedSize = tailSize_ + std::min(chunk.size(), kWindow);
    std::copy_n(chunk.begin(), joinedSize - tailSize_, joined.begin() + tailSize_);
    for (std::size_t i = 0; i < tailSize_ && tailStart + i < undecided; ++i) {
        if (IsWordAligned(tailStart + i)) {
            TestAt(tailStart + i, ByteSpan(joined).subspan(i, joinedSize - i));
        }
    }

    // The word-aligned offsets inside this chunk, found by the first four letters of an ID.
    if (undecided > fed_) {
        const std::size_t first = static_cast<std::size_t>((4 - fed_ % 4) % 4);
        const std::size_t stop = static_cast<std::size_t>(undecided - fed_);
        ForEachCandidate(chunk, first, stop,
                         [&](std::size_t at) { TestAt(fed_ + at, chunk.subspan(at)); });
    }

    // Keep the bytes of the undecided offsets.
    const std::size_t keep = static_cast<std::size_t>(total - std::max(undecided, tailStart));
    std::array<std::uint8_t, kWindow - 1> kept{};
    if (keep > chunk.size()) {
        const std::size_t fromTail = keep - chunk.size();
        std::copy_n(tail_.begin() + (tailSize_ - fromTail), fromTail, kept.begin());
        std::copy(chunk.begin(), chunk.end(), kept.begin() + fromTail);
    } else {
        std::copy(chunk.end() - keep, chunk.end(), kept.begin());
    }
    tail_ = kept;
    tailSize_ = keep;
    fed_ = total;
}

GbaSaveType GbaSaveTypeScanner::Finish() {
    const std::uint64_t tailStart = fed_ - tailSize_;
    for (std::size_t i = 0; i < tailSize_; ++i) {
        if (IsWordAligned(tailStart + i)) {
            TestAt(tailStart + i, ByteSpan(tail_).subspan(i, tailSize_ - i));
        }
    }
    tailSize_ = 0;
    GbaSaveType result = result_;
    result.conflicting = (kindsSeen_ & (kindsSeen_ - 1)) != 0;
    return result;
}

GbaSaveType ScanGbaSaveType(ByteSpan rom) {
    GbaSaveTypeScanner scanner;
    scanner.Feed(rom);
    return scanner.Finish();
}

}  // namespace slotkit::games
