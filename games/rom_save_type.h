// The save type of a GBA ROM on the card, remembered in the user's cache folder: reading it
// takes the whole ROM, so it is read once and then known by the ROM's size, last-write time and
// header. A cache that cannot be read or written is passed by: the type is then read again.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <stop_token>
#include <string>
#include <system_error>
#include <vector>

#include "games/gba_save_type.h"
#include "games/save_type_cache.h"
#include "ports/prompter.h"

namespace slotkit::games {

// The GBA save type remembered for the ROM at `romPath`; nothing when it was never read or
// the ROM changed since. Reads only the ROM's header and the cache, never the whole ROM.
std::optional<games::GbaSaveType> RememberedGbaSaveType(const std::string& romPath);
// The save type, remembered or else read from the whole ROM (then remembered); nothing when
// the ROM cannot be read.
std::optional<games::GbaSaveType> GbaSaveTypeOfRom(const std::string& romPath);
// GbaSaveTypeOfRom for several ROMs, the cache read and written once; one result per path.
std::vector<std::optional<games::GbaSaveType>> GbaSaveTypesOfRoms(
    std::span<const std::string> romPaths);

// How far a reading of save types has come.
struct SaveTypeProgress {
    std::size_t romsDone = 0;  // ROMs whose reading ended, with a type or without one
    std::size_t romCount = 0;
    std::uint64_t bytesRead = 0;    // of the ROMs' contents, all ROMs so far
    std::uint64_t bytesToRead = 0;  // of the ROMs not remembered (each up to the largest ROM)
};

// Reads up to `count` bytes at `offset` of the file at `path` as platform::ReadAt does. The
// reading's stop token comes along, so that a reader that waits can give up early.
using RomPieceReader =
    std::function<std::error_code(const std::string& path, std::uint64_t offset, std::size_t count,
                                  std::vector<std::uint8_t>& out, std::stop_token stop)>;

struct SaveTypeReading {
    std::function<void(const SaveTypeProgress&)> progress;  // after each piece and each ROM
    // Each type as soon as it is known (and remembered): the ROM's index and its type.
    std::function<void(std::size_t, const games::GbaSaveType&)> found;
    RomPieceReader readPiece;  // platform::ReadAt when empty
};

// The size of the pieces a ROM is read in; a stop is seen between two of them.
inline constexpr std::size_t kRomReadPiece = 1 << 20;

// GbaSaveTypesOfRoms that tells how far it has come and can be stopped: a stop asked for through
// `stop` is seen before each piece of a ROM, and the ROM being read then gets no type. Each type
// read is remembered as soon as it is read, so a stop keeps every type read before it.
std::vector<std::optional<games::GbaSaveType>> ReadGbaSaveTypes(
    std::span<const std::string> romPaths, const SaveTypeReading& reading,
    std::stop_token stop = {});

// GbaSaveTypeOfRom for a command: while a ROM whose type is not remembered is read whole, the
// prompter shows how far the reading has come, and the user may stop it (nothing is then known).
std::optional<games::GbaSaveType> GbaSaveTypeOfRomShown(const std::string& romPath,
                                                        ports::Prompter& prompter);

// What the cache knows the ROM at `romPath` by; nothing when its header cannot be read.
std::optional<RomStamp> ReadRomStamp(const std::string& romPath);
// Every remembered type, read once for many look-ups (FindRemembered).
std::vector<RememberedSaveType> LoadRememberedSaveTypes();

// How a save type reads to the user: "Flash 128 KiB", "EEPROM 512 B or 8 KiB", "no save";
// ", clock" follows for a cartridge with a clock.
std::string GbaSaveTypeText(const games::GbaSaveType& type);

}  // namespace slotkit::games
