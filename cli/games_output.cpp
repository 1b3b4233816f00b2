#include "cli/games_output.h"

#include "base/display_text.h"

namespace slotkit::cli {

namespace {

void AppendOrUnknown(const std::string& text, std::string& line) {
    if (text.empty()) {
        line += kUnknown;
    } else {
        line += text;
    }
}

}  // namespace

// Each line is put together first and written at once: a card holds hundreds of ROMs.
void PrintGames(const games::CardGames& games, std::ostream& out) {
    std::string line;
    for (const games::CardRom& rom : games.roms) {
        line.clear();
        base::AppendDisplayText(rom.place, line);
        line += '\t';
        AppendOrUnknown(rom.info.code, line);
        line += '\t';
        AppendOrUnknown(rom.info.Title(), line);
        line += '\t';
        AppendOrUnknown(RomSaveText(rom), line);
        line += '\t';
        for (const std::string& slot : rom.slotFiles) {
            if (&slot != &rom.slotFiles.front()) {
                line += kSlotFileJoiner;
            }
            base::AppendDisplayText(slot, line);
        }
        line += '\n';
        out.write(line.data(), static_cast<std::streamsize>(line.size()));
    }
    for (const games::SlotGame& slot : games.slotsWithoutGame) {
        line.clear();
        base::AppendDisplayText(slot.slotFile, line);
        line += '\t';
        line += games::DottedShortName(slot.shortName);
        line += '\t';
        base::AppendDisplayText(slot.longName.value_or(""), line);
        line += '\n';
        out.write(line.data(), static_cast<std::streamsize>(line.size()));
    }
}

}  // namespace slotkit::cli
