// What a ROM file on the card says about its game, from its header (and a DS ROM's banner):
// only those bytes are read, never the whole ROM.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "games/ds_banner.h"
#include "games/save_type_cache.h"
#include "platform/files.h"
#include "slots/slot_format.h"

namespace slotkit::games {

struct RomInfo {
    bool readable = false;  // the file could be opened and read
    // Empty when the header is cut or fails its check: the game is then unknown.
    std::string code;
    std::string headerTitle;
    // DS: the banner's bytes up to its last title (kDsBannerShownSize, fewer where the file ends
    // sooner), when the header points to one and the whole banner is kept; empty otherwise. Its
    // parts are checked and decoded only when shown: a listing of many ROMs shows one title of
    // each.
    std::vector<std::uint8_t> banner;
    // DS, where only the banner's title was kept (BannerKept::EnglishTitle): that title, its
    // lines joined by " / "; empty without one.
    std::string bannerTitle;
    // GBA, when asked for: what the save-type cache knows this ROM by (rom_save_type.h), from the
    // same read.
    std::optional<RomStamp> stamp;

    // The title to show: the banner's in `language` (or English), its lines joined by " / ",
    // else the header's; empty when neither is known. Where only the banner's English title was
    // kept, that one.
    std::string Title(games::DsLanguage language = games::DsLanguage::English) const;
    // The DS icon, 32x32 RGBA (games/ds_banner.h); nothing without a banner that passes its CRC.
    std::optional<std::vector<std::uint8_t>> IconRgba() const;
};

// What is kept of a DS ROM's banner: the whole of it, for a window that shows icons and titles
// in the user's language and for the checks of a save's game; or only its English title, for a
// listing that prints one line a ROM and so need not hold kilobytes of each.
enum class BannerKept { Whole, EnglishTitle };

// Reads the header of the ROM called `name` that a listing of `folder` found; `kind` says which
// header (NDS: DS ROM, GBA: GBA ROM). `stamped`: a GBA ROM's stamp is made too, for a look-up in
// the save-type cache.
RomInfo ReadRomInfo(const platform::OpenFolder& folder, const char* name, slots::EditMode kind,
                    bool stamped, BannerKept kept = BannerKept::Whole);

}  // namespace slotkit::games
