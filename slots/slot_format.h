// The layout of a slot file: a save data region followed by a 1,024-byte trailer whose fields
// name the game the save belongs to. Everything depends only on the edit mode.
#pragma once

#include <cstddef>
#include <cstdint>

namespace slotkit::slots {

enum class EditMode { Nds = 0, Gba = 1 };

struct SlotLayout {
    std::uint64_t saveRegionSize;  // bytes 0 .. saveRegionSize-1 are the game's own save
    std::uint64_t trailerOffset;   // T: the 1,024-byte trailer starts here
    std::uint64_t newFormSize;     // region + trailer
    std::uint64_t blankSlotSize;   // the size a new blank slot is written with

    constexpr std::uint64_t ShortNameOffset() const { return trailerOffset + 0x05; }
    constexpr std::uint64_t LongNameFlagOffset() const { return trailerOffset + 0x10; }
    constexpr std::uint64_t LongNameOffset() const { return trailerOffset + 0x25; }
};

inline constexpr std::size_t kTrailerSize = 0x400;
inline constexpr std::size_t kShortNameSize = 11;
inline constexpr std::size_t kLongNameSize = 33;
inline constexpr std::uint64_t kOldFormSize = 0x100000;  // 1,048,576 in both modes

inline constexpr SlotLayout kNdsLayout{0x40000, 0x40000, 0x40400, 0x40400};
// New blank GBA slots are written in the old form, as the cartridge expects.
inline constexpr SlotLayout kGbaLayout{0x20000, 0x20000, 0x20400, kOldFormSize};

constexpr const SlotLayout& LayoutFor(EditMode mode) {
    return mode == EditMode::Nds ? kNdsLayout : kGbaLayout;
}

static_assert(kNdsLayout.newFormSize == 263'168);
static_assert(kGbaLayout.newFormSize == 132'096);
static_assert(kNdsLayout.ShortNameOffset() == 0x40005 && kGbaLayout.ShortNameOffset() == 0x20005);
static_assert(kNdsLayout.LongNameFlagOffset() == 0x40010);
static_assert(kGbaLayout.LongNameOffset() == 0x20025);

}  // namespace slotkit::slots
