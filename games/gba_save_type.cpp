#include "games/gba_save_type.h"

#include <algorithm>
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

// Every ID ends in "_V": the scan looks for that pair and checks the IDs that end there.
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

    // The offsets inside this chunk, found through the "_V" that ends every ID.
    const auto* const begin = chunk.data();
    const auto* const end = begin + chunk.size();
    for (const auto* at = begin; at < end;) {
        const auto* underscore = static_cast<const std::uint8_t*>(std::memchr(at, '_', end - at));
        if (underscore == nullptr || underscore + 1 >= end) {
            break;
        }
        at = underscore + 1;
        if (*at != 'V') {
            continue;
        }
        const std::size_t q = static_cast<std::size_t>(underscore - begin);
        for (const LibraryId& id : kIds) {
            const std::size_t back = id.text.size() - 2;
            if (q < back) {
                continue;  // it would start in the tail, which is tested above
            }
            const std::uint64_t offset = fed_ + (q - back);
            if (IsWordAligned(offset) && offset < undecided) {
                TestAt(offset, chunk.subspan(q - back));
            }
        }
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
