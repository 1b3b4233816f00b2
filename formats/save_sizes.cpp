#include "formats/save_sizes.h"

#include <algorithm>
#include <optional>

namespace slotkit::formats {

namespace {

// The byte the unused end of a save is filled with, when it is one.
std::optional<std::uint8_t> PaddingOf(ByteSpan region) {
    if (!region.empty() && (region.back() == 0x00 || region.back() == 0xFF)) {
        return region.back();
    }
    return std::nullopt;
}

}  // namespace

std::span<const std::uint64_t> NewFileSizes(slots::EditMode mode) {
    if (mode == slots::EditMode::Gba) {
        return kGbaSaveSizes;
    }
    return kNdsSaveSizes;
}

std::uint64_t SuggestedSize(slots::EditMode mode, ByteSpan region) {
    std::size_t used = region.size();
    if (const auto fill = PaddingOf(region)) {
        while (used > 0 && region[used - 1] == *fill) {
            --used;
        }
    }
    const auto sizes = NewFileSizes(mode);
    for (const std::uint64_t size : sizes) {
        if (size >= used) {
            return size;
        }
    }
    return sizes.back();
}

std::size_t DataBytesPast(ByteSpan region, std::size_t size) {
    if (size >= region.size()) {
        return 0;
    }
    const auto fill = PaddingOf(region);
    const auto past = region.subspan(size);
    return fill ? static_cast<std::size_t>(std::count_if(
                      past.begin(), past.end(), [&](std::uint8_t b) { return b != *fill; }))
                : past.size();
}

void ReverseEepromWords(std::vector<std::uint8_t>& save) {
    for (std::size_t at = 0; at + 8 <= save.size(); at += 8) {
        std::reverse(save.begin() + static_cast<std::ptrdiff_t>(at),
                     save.begin() + static_cast<std::ptrdiff_t>(at + 8));
    }
}

}  // namespace slotkit::formats
