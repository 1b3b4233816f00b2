// The file that remembers the save types of GBA ROMs, so that a ROM's whole content is read
// only once: plain text, one ROM a line, readable without slotkit.
//
//   # slotkit: GBA save types ...               comment lines start with '#'
//   4194304 2024-05-01T12:34:56 0123456789abcdef flash128k 1048576 c FLASH1M_V103
//
// A line holds the ROM's size, its last-write time, the hash of its header (its first 0xC0
// bytes), the save kind (none, eeprom, sram, flash64k, flash128k), where the library ID was
// found, its flags ('-', or 'c' for a clock and 'x' for IDs of more than one kind) and the ID
// (absent for none). A line that does not read as one is passed by. Pure: no disk here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "games/gba_save_type.h"

namespace slotkit::games {

// What tells a ROM file from another, or from itself once it changed.
struct RomStamp {
    std::uint64_t size = 0;
    std::string lastWrite;  // "2024-05-01T12:34:56", local time
    std::uint64_t headerHash = 0;

    bool operator==(const RomStamp&) const = default;
};

struct RememberedSaveType {
    RomStamp rom;
    games::GbaSaveType type;
};

// The bounds: lines kept, and bytes of the file read (longer files are read that far).
inline constexpr std::size_t kSaveTypeCacheEntries = 2000;
inline constexpr std::size_t kSaveTypeCacheBytes = 256 * 1024;
inline constexpr const char* kSaveTypeCacheFileName = "gba-save-types.txt";

// The stamp of a ROM of `size` bytes, last written at `year`-...-`second`, whose first bytes
// (up to 0xC0 of them) are `header`.
RomStamp MakeRomStamp(std::uint64_t size, int year, int month, int day, int hour, int minute,
                      int second, std::span<const std::uint8_t> header);

// The entries of a cache file, oldest first; junk lines are passed by, and a ROM named twice
// keeps its later line.
std::vector<RememberedSaveType> ParseSaveTypeCache(std::string_view text);
// The whole file for `entries`.
std::string FormatSaveTypeCache(std::span<const RememberedSaveType> entries);

// The type remembered for `rom`, if any.
std::optional<games::GbaSaveType> FindRemembered(std::span<const RememberedSaveType> entries,
                                                 const RomStamp& rom);
// Adds `entry` as the newest, replacing an entry of the same ROM; the oldest go past the bound.
void Remember(std::vector<RememberedSaveType>& entries, RememberedSaveType entry);

}  // namespace slotkit::games
