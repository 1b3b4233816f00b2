// The save type of a GBA ROM on the card, remembered in the user's cache folder: reading it
// takes the whole ROM, so it is read once and then known by the ROM's size, last-write time and
// header. A cache that cannot be read or written is passed by: the type is then read again.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "card/save_type_cache.h"
#include "games/gba_save_type.h"

namespace slotkit {

// The GBA save type remembered for the ROM at `romPath`; nothing when it was never read or
// the ROM changed since. Reads only the ROM's header and the cache, never the whole ROM.
std::optional<games::GbaSaveType> RememberedGbaSaveType(const std::string& romPath);
// The save type, remembered or else read from the whole ROM (then remembered); nothing when
// the ROM cannot be read.
std::optional<games::GbaSaveType> GbaSaveTypeOfRom(const std::string& romPath);
// GbaSaveTypeOfRom for several ROMs, the cache read and written once; one result per path.
std::vector<std::optional<games::GbaSaveType>> GbaSaveTypesOfRoms(
    std::span<const std::string> romPaths);

// What the cache knows the ROM at `romPath` by; nothing when its header cannot be read.
std::optional<RomStamp> ReadRomStamp(const std::string& romPath);
// Every remembered type, read once for many look-ups (FindRemembered).
std::vector<RememberedSaveType> LoadRememberedSaveTypes();

// How a save type reads to the user: "Flash 128 KiB", "EEPROM 512 B or 8 KiB", "no save";
// ", clock" follows for a cartridge with a clock.
std::string GbaSaveTypeText(const games::GbaSaveType& type);

}  // namespace slotkit
