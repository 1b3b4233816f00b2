// The save memory of a DS game card, by the game code in its ROM's header. The ROM does not say
// which chip its card carries; the list of known games (games/ds_save_sizes.tsv, built into the
// program) does. Loaders and emulators take the chip from a save file's length, so a save file
// of any other length than its game's is a save the game may not read.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace slotkit::games {

enum class DsSaveKind : std::uint8_t { None, Eeprom, Flash, Nand };

struct DsSaveMemory {
    DsSaveKind kind = DsSaveKind::None;
    std::uint32_t bytes = 0;  // 0 for a game that keeps no save

    bool operator==(const DsSaveMemory&) const = default;
};

// No game in the list has more; a save file slotkit makes from the list is never larger.
inline constexpr std::uint32_t kDsSaveMemoryMost = 64u * 1024 * 1024;

// The game's save memory, when its code is in the list; nothing for another code (homebrew, a
// game the list does not know).
std::optional<DsSaveMemory> DsSaveMemoryOf(std::string_view gameCode);

// How many games the list holds.
std::size_t DsSaveListSize();

// "Flash 256 KiB", "EEPROM 8 KiB", "EEPROM 512 B", "NAND 8 MiB", "no save".
std::string DsSaveMemoryText(const DsSaveMemory& memory);

}  // namespace slotkit::games
