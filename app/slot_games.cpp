#include "app/slot_games.h"

#include <wx/image.h>
#include <wx/intl.h>

#include <algorithm>
#include <cstring>

#include "base/display_text.h"

namespace slotkit::app {

games::DsLanguage BannerLanguageFor(std::string_view localeName) {
    using games::DsLanguage;
    const std::string_view language = localeName.substr(0, localeName.find_first_of("_-.@"));
    struct Pair {
        const char* code;
        DsLanguage language;
    };
    static constexpr Pair kLanguages[] = {
        {"ja", DsLanguage::Japanese}, {"en", DsLanguage::English}, {"fr", DsLanguage::French},
        {"de", DsLanguage::German},   {"it", DsLanguage::Italian}, {"es", DsLanguage::Spanish},
        {"zh", DsLanguage::Chinese},  {"ko", DsLanguage::Korean},
    };
    for (const Pair& pair : kLanguages) {
        if (language == pair.code) {
            return pair.language;
        }
    }
    return DsLanguage::English;
}

games::DsLanguage SystemBannerLanguage() {
    const int system = wxLocale::GetSystemLanguage();
    if (system == wxLANGUAGE_UNKNOWN || system == wxLANGUAGE_DEFAULT) {
        return games::DsLanguage::English;
    }
    return BannerLanguageFor(wxLocale::GetLanguageCanonicalName(system).utf8_string());
}

const games::SlotGame* LostSlot(const games::CardGames& games, const std::string& slotFile) {
    for (const games::SlotGame& slot : games.slotsWithoutGame) {
        if (slot.slotFile == slotFile) {
            return &slot;
        }
    }
    return nullptr;
}

std::string SlotGameText(const games::CardGames* games, const std::string& slotFile,
                         games::DsLanguage language) {
    if (games == nullptr) {
        return kLooking;
    }
    std::string text;
    for (const games::CardRom* rom : RomsOfSlot(*games, slotFile)) {
        const std::string title = rom->info.Title(language);
        if (!text.empty()) {
            text += "\n\n";
        }
        text += (title.empty() ? std::string("(title unknown)") : title) +
                "\nGame code: " + (rom->info.code.empty() ? "unknown" : rom->info.code);
        // A GBA game's save type is known only once its whole ROM was read.
        if (const std::string save = RomSaveText(*rom);
            !save.empty() || games->mode == slots::EditMode::Nds) {
            text += "\nSave: " + (save.empty() ? std::string("unknown") : save);
        }
        text += "\nOn the card: " + base::DisplayText(rom->place);
    }
    if (!text.empty()) {
        return text;
    }
    if (const games::SlotGame* lost = LostSlot(*games, slotFile)) {
        text =
            "The game of this save is not on the card: " + games::DottedShortName(lost->shortName);
        if (games->searchStopped) {
            text += "\n(The search stopped after " + std::to_string(games::kRomSearchEntries) +
                    " entries of the card: it may be in the part not searched.)";
        }
        return text;
    }
    return "This save names no game.";
}

std::string LostSlotText(const games::SlotGame& slot) {
    return "the cartridge will not find this save: " + games::DottedShortName(slot.shortName) +
           " is not on the card";
}

std::optional<wxBitmap> RomIcon(const games::RomInfo& info) {
    const auto icon = info.IconRgba();
    if (!icon) {
        return std::nullopt;
    }
    const std::vector<std::uint8_t>& rgba = *icon;
    constexpr int side = games::kDsIconSide;
    if (rgba.size() != static_cast<std::size_t>(side * side * 4)) {
        return std::nullopt;
    }
    wxImage image(side, side, false);
    image.InitAlpha();
    unsigned char* rgb = image.GetData();
    unsigned char* alpha = image.GetAlpha();
    for (int i = 0; i < side * side; ++i) {
        std::memcpy(rgb + 3 * i, rgba.data() + 4 * i, 3);
        alpha[i] = rgba[4 * i + 3];
    }
    return wxBitmap(image);
}

}  // namespace slotkit::app
