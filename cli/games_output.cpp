#include "cli/games_output.h"

#include "card/display_text.h"
#include "card/rom_save_type.h"

namespace slotkit::cli {

namespace {

std::string OrUnknown(const std::string& text) {
    return text.empty() ? kUnknown : text;
}

}  // namespace

void PrintGames(const CardGames& games, std::ostream& out) {
    for (const CardRom& rom : games.roms) {
        std::string slots;
        for (const std::string& slot : rom.slotFiles) {
            if (!slots.empty()) {
                slots += kSlotFileJoiner;
            }
            slots += DisplayText(slot);
        }
        out << DisplayText(rom.place) << '\t' << OrUnknown(rom.info.code) << '\t'
            << OrUnknown(rom.info.Title()) << '\t'
            << (rom.saveType ? GbaSaveTypeText(*rom.saveType) : kUnknown) << '\t' << slots << '\n';
    }
    for (const SlotGame& slot : games.slotsWithoutGame) {
        out << DisplayText(slot.slotFile) << '\t' << DottedShortName(slot.shortName) << '\t'
            << DisplayText(slot.longName.value_or("")) << '\n';
    }
}

}  // namespace slotkit::cli
