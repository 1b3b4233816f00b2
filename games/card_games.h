// The games on the card: the ROM files of a mode anywhere on the card, what their headers say,
// and which slot file belongs to which ROM. A slot belongs to a ROM when the ROM's 8.3 name
// equals the slot's ROM short name and, where the slot carries a long name, the ROM's name
// equals that too.
#pragma once

#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "games/ds_save_memory.h"
#include "games/gba_save_type.h"
#include "games/rom_info.h"
#include "slots/slot_format.h"

namespace slotkit::games {

// The game a slot file names in its trailer.
struct SlotGame {
    std::string slotFile;
    std::string shortName;                // "POKEMO~1NDS", as the trailer holds it
    std::optional<std::string> longName;  // where the trailer carries one
};

struct CardRom {
    std::string path;   // the full path
    std::string place;  // the path below the card root: "ROMS/GAME.nds"
    // The ROM's 8.3 name in the trailer's form ("GAME    NDS"), as the file system gives it or
    // else as the alias its name would get; nothing when neither can be had.
    std::optional<std::string> shortName;
    RomInfo info;
    // GBA: the save type, where the user's cache remembers it for this ROM as it is now
    // (rom_save_type.h); a listing never reads the whole ROM for it.
    std::optional<games::GbaSaveType> saveType;
    // DS: the game's save memory, where the list of DS games knows the code of a header that
    // passes its check (rom_save_size.h).
    std::optional<games::DsSaveMemory> dsSave;
    std::vector<std::string> slotFiles;  // the slot files that belong to it, in listing order
};

struct CardGames {
    slots::EditMode mode = slots::EditMode::Nds;  // whose ROMs these are
    std::vector<CardRom> roms;                    // in the order of their places
    std::vector<SlotGame> slotsWithoutGame;       // in listing order
    bool searchStopped = false;  // the search's limits left part of the card unseen
};

// The bounds of the search for ROMs.
inline constexpr int kRomSearchDepth = 8;
inline constexpr std::size_t kRomSearchEntries = 10000;

// The game named in a slot file's trailer; nothing for a slot that names none (a blank slot)
// or whose trailer cannot be read.
std::optional<SlotGame> ReadSlotGame(const std::string& path, const std::string& slotFile,
                                     const slots::SlotLayout& layout);

// Whether `slot` belongs to the ROM called `romName` whose 8.3 name is `romShortName` (in the
// trailer's form). Without the ROM's 8.3 name, only a slot's long name can tell.
bool SlotBelongsTo(const SlotGame& slot, const std::string& romName,
                   const std::optional<std::string>& romShortName);

// The trailer's short name as a file name: "POKEMO~1NDS" gives "POKEMO~1.NDS".
std::string DottedShortName(const std::string& shortName);

// Whether a slot file holds the whole of a DS game's save memory: a slot keeps 256 KiB of save,
// and a game with more (flash of 512 KiB or 1 MiB, NAND) keeps some of its save where no slot
// has it.
bool SlotHoldsSave(const games::DsSaveMemory& memory);

// How a save larger than a slot is marked: in words of their own for a printed line or the
// hover, or briefly for a column.
enum class SaveNote { Long, Short };

// The save the ROM's game keeps, as the listings show it: a DS game's save memory ("Flash 256
// KiB", "no save"), marked where it is larger than a slot ("Flash 512 KiB (a slot holds 256
// KiB)", or "Flash 512 KiB (slot too small)" with SaveNote::Short); a GBA game's remembered save
// type ("Flash 128 KiB"); empty when it is not known.
std::string RomSaveText(const CardRom& rom, SaveNote note = SaveNote::Long);

// The ROMs the slot file `slotFile` belongs to (more than one when ROMs of one 8.3 name are in
// different folders).
std::vector<const CardRom*> RomsOfSlot(const CardGames& games, const std::string& slotFile);

// The mode's ROMs (.NDS or .GBA) anywhere on the card, outside the save folders, and every slot
// file of the mode's save folder, matched up, with the GBA save types the cache remembers. A
// stop asked for through `stop` ends the search at the next folder entry, ROM or slot file; what
// it returns then is incomplete. `kept` says what is kept of each DS ROM's banner.
CardGames FindCardGames(const std::string& cardRoot, slots::EditMode mode,
                        std::stop_token stop = {}, BannerKept kept = BannerKept::Whole);

}  // namespace slotkit::games
