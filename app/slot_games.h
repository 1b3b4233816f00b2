// What the window says about a slot's game: the texts of the hover and the games dialog, the
// banner's language for the user's, and a DS icon as a bitmap.
#pragma once

#include <wx/bitmap.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "games/card_games.h"
#include "games/ds_banner.h"
#include "games/gba_save_type.h"

namespace slotkit::app {

inline constexpr const char* kLooking = "looking...";

// The banner language for a locale name ("fr_FR", "de", "zh_Hans_CN"); English for a language
// no banner holds.
games::DsLanguage BannerLanguageFor(std::string_view localeName);
// The banner language for the system's language.
games::DsLanguage SystemBannerLanguage();

// The slot, when its game is not on the card.
const games::SlotGame* LostSlot(const games::CardGames& games, const std::string& slotFile);

// The hover's text for `slotFile`: each of its games (title, code, a DS game's save memory, place
// on the card), or that its game is not on the card. `games` is nothing while the search runs.
std::string SlotGameText(const games::CardGames* games, const std::string& slotFile,
                         games::DsLanguage language);

// "the cartridge will not find this save: POKEMO~1.NDS is not on the card"
std::string LostSlotText(const games::SlotGame& slot);

// The ROM's icon, its transparent colour see-through; nothing for a ROM without one.
std::optional<wxBitmap> RomIcon(const games::RomInfo& info);

}  // namespace slotkit::app
