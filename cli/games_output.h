// The lines `slotkit games` prints.
#pragma once

#include <ostream>

#include "games/card_games.h"

namespace slotkit::cli {

inline constexpr const char* kUnknown = "unknown";
// Joins the slot files of a ROM that more than one slot belongs to; no FAT name holds it.
inline constexpr char kSlotFileJoiner = '|';

// One line per ROM: its place on the card, code, title, save (a DS game's save memory from the
// list of DS games, "Flash 512 KiB (a slot holds 256 KiB)" where a slot holds less; a GBA game's
// save type where remembered; otherwise unknown), and the slot files that belong to it (empty:
// none). Then one line per slot whose game is not on the card: the
// slot file, the ROM's 8.3 name and the ROM's long name where the slot carries one. Fields are
// separated by tabs and made safe to show.
void PrintGames(const games::CardGames& games, std::ostream& out);

}  // namespace slotkit::cli
