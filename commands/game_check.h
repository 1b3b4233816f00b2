// Whether a foreign save is for the slot's game, and whether its size is the game's save size:
// what the import question tells before the user decides. Nothing here refuses a file.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "formats/save_containers.h"
#include "games/card_games.h"
#include "games/ds_save_memory.h"
#include "games/gba_save_type.h"

namespace slotkit::commands {

// Two names typed by people, taken for the same when, with only their letters and digits
// counted and letter case ignored, one holds the other. A name without a letter or digit is
// nobody's.
bool LooselySameName(std::string_view a, std::string_view b);

enum class GameMatch { Unknown, Same, Different };

// Whether the game `found` names is the game of `rom`: by code and title where the file keeps
// a ROM header's, loosely by title (the header's or any of a DS banner's) where it keeps a name
// typed by a user. Unknown when either side names no game.
GameMatch MatchGame(const formats::FoundSave& found, const games::RomInfo& rom);

// How the import question names a ROM's game: "POKEMON FIRE (BPRE)".
std::string RomGameLabel(const games::RomInfo& rom);

// "This save is for POKEMON EMER (BPEE); the slot's game is POKEMON FIRE (BPRE)." or "This save
// is for the slot's game, POKEMON FIRE (BPRE)."; empty when it cannot be told.
std::string GameCheckNote(const formats::FoundSave& found,
                          std::span<const games::CardRom* const> roms);

// What the question says when a save of `saveSize` bytes is not the size of the game's save of
// type `type`; empty when it is, or when the type names no save.
std::string SaveSizeNote(std::size_t saveSize, const games::GbaSaveType& type);

// The same for a DS game of save memory `memory` (a game that keeps no save: empty).
std::string DsSaveSizeNote(std::size_t saveSize, const games::DsSaveMemory& memory);

// The save memory of a DS slot's game, from the list of known games, when the slot's ROM is on
// the card; else why it is not known ("its ROM is not on the card", ...), for the message that
// says the size was guessed.
struct DsGameSave {
    std::optional<games::DsSaveMemory> memory;
    std::string unknownWhy;
};
DsGameSave DsGameSaveOf(std::span<const games::CardRom* const> roms);

}  // namespace slotkit::commands
