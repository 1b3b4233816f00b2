// The size of the save a game keeps, read from its ROM file where the ROM says it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "games/ds_save_memory.h"
#include "games/gba_save_type.h"
#include "games/rom_info.h"

namespace slotkit::games {

// A GBA game's save size from the save library its ROM at `romPath` was built with (the whole
// ROM is read, a piece at a time, unless its type is remembered: rom_save_type.h). An EEPROM
// game's ROM does not tell 512 bytes from 8 KiB: `save` decides, 512 when nothing past its first
// 512 bytes differs from its padding. Nothing when the ROM cannot be read or names no save
// library.
std::optional<std::uint64_t> GbaSaveSizeOfRom(const std::string& romPath,
                                              std::span<const std::uint8_t> save);

// The same from a save type already known.
std::optional<std::uint64_t> GbaSaveSizeOfType(const games::GbaSaveType& type,
                                               std::span<const std::uint8_t> save);

// A DS game's save memory, from its ROM's game code and the list of known games. Nothing for a
// GBA ROM (`kind`), a header that fails its check (its code is not trusted) or a code the list
// does not know.
std::optional<games::DsSaveMemory> DsSaveMemoryOfRom(const RomInfo& info, slots::EditMode kind);

}  // namespace slotkit::games
