#include "commands/game_check.h"

#include <algorithm>

#include "base/ascii.h"
#include "base/display_text.h"
#include "games/rom_save_type.h"

namespace slotkit::commands {

namespace {

// The letters U+00C0 to U+00FF without their accents ('*': no letter).
constexpr std::string_view kLatin1Letters =
    "aaaaaaaceeeeiiiidnooooo*ouuuuy*saaaaaaaceeeeiiiidnooooo*ouuuuy*y";

// Letters and digits only, lower-cased, accents left off ("Pokémon" is "pokemon").
std::string LooseForm(std::string_view name) {
    std::string loose;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
            loose += base::AsciiLower(c);
        } else if (static_cast<unsigned char>(c) == 0xC3 && i + 1 < name.size()) {
            const auto next = static_cast<unsigned char>(name[i + 1]);
            if (next >= 0x80 && next <= 0xBF) {
                if (const char letter = kLatin1Letters[next - 0x80]; letter != '*') {
                    loose += letter;
                }
                ++i;
            }
        }
    }
    return loose;
}

// A title as a ROM header holds it, blanks and letter case aside.
std::string HeaderForm(std::string_view title) {
    std::string form = base::AsciiUpper(title);
    const auto first = form.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    return form.substr(first, form.find_last_not_of(' ') - first + 1);
}

// Every title the ROM goes by: its header's, and each of its banner's without its last line
// where it has more than one, which is mostly the maker's name that many games share.
std::vector<std::string> TitlesOf(const games::RomInfo& rom) {
    std::vector<std::string> titles{rom.headerTitle};
    if (!rom.banner.empty()) {
        for (const auto& lines : games::ReadDsBanner(rom.banner).titles) {
            if (lines && !lines->empty()) {
                const std::size_t kept = lines->size() > 1 ? lines->size() - 1 : 1;
                std::string title;
                for (std::size_t i = 0; i < kept; ++i) {
                    title += (*lines)[i] + " ";
                }
                titles.push_back(title);
            }
        }
    }
    return titles;
}

}  // namespace

bool LooselySameName(std::string_view a, std::string_view b) {
    const std::string first = LooseForm(a);
    const std::string second = LooseForm(b);
    if (first.empty() || second.empty()) {
        return false;
    }
    return first.find(second) != std::string::npos || second.find(first) != std::string::npos;
}

GameMatch MatchGame(const formats::FoundSave& found, const games::RomInfo& rom) {
    if (found.gameTitle.empty() && found.gameCode.empty()) {
        return GameMatch::Unknown;
    }
    if (rom.code.empty() && rom.headerTitle.empty()) {
        return GameMatch::Unknown;
    }
    if (found.gameFreeText) {
        const auto titles = TitlesOf(rom);
        const bool same = std::any_of(titles.begin(), titles.end(), [&](const std::string& t) {
            return LooselySameName(found.gameTitle, t);
        });
        return same ? GameMatch::Same : GameMatch::Different;
    }
    const bool codeDiffers = !found.gameCode.empty() && !rom.code.empty() &&
                             HeaderForm(found.gameCode) != HeaderForm(rom.code);
    const bool titleDiffers =
        !found.gameTitle.empty() && HeaderForm(found.gameTitle) != HeaderForm(rom.headerTitle);
    return codeDiffers || titleDiffers ? GameMatch::Different : GameMatch::Same;
}

std::string RomGameLabel(const games::RomInfo& rom) {
    const std::string title =
        base::DisplayText(rom.headerTitle.empty() ? rom.Title() : rom.headerTitle);
    if (rom.code.empty()) {
        return title;
    }
    return title.empty() ? base::DisplayText(rom.code)
                         : title + " (" + base::DisplayText(rom.code) + ")";
}

std::string GameCheckNote(const formats::FoundSave& found,
                          std::span<const games::CardRom* const> roms) {
    const games::CardRom* different = nullptr;
    for (const games::CardRom* rom : roms) {
        switch (MatchGame(found, rom->info)) {
            case GameMatch::Same:
                return "This save is for the slot's game, " + RomGameLabel(rom->info) + ".";
            case GameMatch::Different:
                different = different != nullptr ? different : rom;
                break;
            case GameMatch::Unknown:
                break;
        }
    }
    if (different == nullptr) {
        return {};
    }
    return "This save is for " + base::DisplayText(found.game) + "; the slot's game is " +
           RomGameLabel(different->info) + ".";
}

std::string SaveSizeNote(std::size_t saveSize, const games::GbaSaveType& type) {
    using games::GbaSaveKind;
    if (type.kind == GbaSaveKind::None || saveSize == 0) {
        return {};
    }
    const std::string start = "This file's save (" + base::ByteCount(saveSize) + " bytes) is ";
    if (type.kind == GbaSaveKind::Eeprom) {
        if (saveSize == games::kGbaEepromSmall || saveSize == games::kGbaEepromLarge) {
            return {};
        }
        const std::string game =
            "the game's save (EEPROM: " + base::ByteCount(games::kGbaEepromSmall) + " or " +
            base::ByteCount(games::kGbaEepromLarge) + " bytes).";
        return start +
               (saveSize < games::kGbaEepromSmall   ? "smaller than "
                : saveSize > games::kGbaEepromLarge ? "larger than "
                                                    : "neither size of ") +
               game;
    }
    if (saveSize == type.size) {
        return {};
    }
    return start + (saveSize < type.size ? "smaller" : "larger") + " than the game's save (" +
           GbaSaveTypeText(type) + ": " + base::ByteCount(type.size) + " bytes).";
}

std::string DsSaveSizeNote(std::size_t saveSize, const games::DsSaveMemory& memory) {
    if (memory.kind == games::DsSaveKind::None || saveSize == 0 || saveSize == memory.bytes) {
        return {};
    }
    return "This file's save (" + base::ByteCount(saveSize) + " bytes) is " +
           (saveSize < memory.bytes ? "smaller" : "larger") + " than the game's save (" +
           games::DsSaveMemoryText(memory) + ": " + base::ByteCount(memory.bytes) + " bytes).";
}

DsGameSave DsGameSaveOf(std::span<const games::CardRom* const> roms) {
    DsGameSave save;
    save.unknownWhy = "the slot's ROM is not on the card";
    for (const games::CardRom* rom : roms) {
        if (rom->dsSave) {  // looked up once, when the games on the card were found
            return {rom->dsSave, {}};
        }
        save.unknownWhy =
            rom->info.code.empty()
                ? "the header of its ROM " + base::DisplayText(rom->place) + " fails its check"
                : "the game " + base::DisplayText(rom->info.code) +
                      " is not in slotkit's list of DS games";
    }
    return save;
}

}  // namespace slotkit::commands
