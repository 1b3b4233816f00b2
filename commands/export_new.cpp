#include "commands/export_new.h"

#include <algorithm>
#include <memory>

#include "commands/exchange_steps.h"
#include "commands/game_check.h"
#include "formats/foreign_save.h"
#include "formats/save_containers.h"
#include "games/card_games.h"
#include "games/ds_save_memory.h"
#include "games/rom_save_size.h"
#include "games/rom_save_type.h"
#include "platform/durable_writes.h"
#include "platform/files.h"

namespace slotkit::commands {

namespace {

constexpr const char* kTitle = "Export to a new file";
constexpr const char* kNotWritten = "It doesn't write the new file.";

std::vector<ports::FileFilter> NewFileFilters(slots::EditMode mode) {
    if (mode == slots::EditMode::Gba) {
        return {{"SAV File(*.sav)", "*.sav"}};
    }
    return {{"SAV File(*.sav)", "*.sav"}, {"DeSmuME File(*.dsv)", "*.dsv"}};
}

std::string Offered(slots::EditMode mode) {
    return mode == slots::EditMode::Gba ? "*.sav (the save alone)"
                                        : "*.sav (the save alone) or *.dsv (a DeSmuME save)";
}

std::string SizeList(std::span<const std::uint64_t> sizes) {
    std::string list;
    for (const std::uint64_t size : sizes) {
        list += (list.empty() ? "" : ", ") + base::ByteCount(size);
    }
    return list;
}

// The size a new file takes: the game's save size where the card tells it (DS: the list of known
// games by the code of the slot's ROM; GBA: the save type of the slot's ROM, an EEPROM's size
// decided by the save's data), else the smallest that holds the save's data.
struct NewFileSize {
    std::uint64_t size = 0;
    std::optional<games::DsSaveMemory> dsGame;  // the DS game's save memory, where known
    std::string guessedWhy;                     // DS: why the game's size is not known
};

NewFileSize GameSaveSize(const slots::CommandContext& context, const std::string& slotName,
                         std::span<const std::uint8_t> data) {
    NewFileSize chosen{formats::SuggestedSize(context.mode, data), std::nullopt, {}};
    const std::unique_ptr<ports::BusyScope> busy = context.prompter.Busy();
    const games::CardGames onCard = games::FindCardGames(context.cardRoot, context.mode);
    const std::vector<const games::CardRom*> roms = RomsOfSlot(onCard, slotName);
    if (context.mode == slots::EditMode::Nds) {
        const DsGameSave game = DsGameSaveOf(roms);
        if (game.memory && game.memory->kind != games::DsSaveKind::None) {
            chosen.size = game.memory->bytes;
            chosen.dsGame = game.memory;
        } else if (game.memory) {
            chosen.guessedWhy = "slotkit's list of DS games says the game keeps no save";
        } else if (roms.empty() &&
                   std::none_of(
                       onCard.slotsWithoutGame.begin(), onCard.slotsWithoutGame.end(),
                       [&](const games::SlotGame& slot) { return slot.slotFile == slotName; })) {
            chosen.guessedWhy = "the slot names no game";
        } else {
            chosen.guessedWhy = game.unknownWhy;
        }
        return chosen;
    }
    const auto sizes = formats::NewFileSizes(context.mode);
    for (const games::CardRom* rom : roms) {
        // The whole ROM is read once; after that its type is remembered.
        const auto type = rom->saveType ? rom->saveType
                                        : games::GbaSaveTypeOfRomShown(rom->path, context.prompter);
        const auto size = type ? GbaSaveSizeOfType(*type, data) : std::nullopt;
        if (size && std::find(sizes.begin(), sizes.end(), *size) != sizes.end()) {
            chosen.size = *size;
            break;
        }
    }
    return chosen;
}

// The sizes offered: the mode's usual ones, and a DS game's own where it is none of them
// (512 KiB, 1 MiB, NAND).
std::vector<std::uint64_t> OfferedSizes(slots::EditMode mode, const NewFileSize& game) {
    const auto usual = formats::NewFileSizes(mode);
    std::vector<std::uint64_t> sizes(usual.begin(), usual.end());
    if (game.dsGame && std::find(sizes.begin(), sizes.end(), game.size) == sizes.end()) {
        sizes.insert(std::upper_bound(sizes.begin(), sizes.end(), game.size), game.size);
    }
    return sizes;
}

// What the success message adds about the size the file was given.
std::string SizeNote(const NewFileSize& game, std::uint64_t size, std::size_t held) {
    std::string note;
    if (game.dsGame) {
        const std::string gameSave = games::DsSaveMemoryText(*game.dsGame) + ": " +
                                     base::ByteCount(game.dsGame->bytes) + " bytes";
        note = size == game.dsGame->bytes
                   ? "It is the size of the game's save (" + gameSave + ")."
                   : "The game's save is " + gameSave +
                         ": an emulator or loader that takes the save's size from the file's "
                         "may not read this file.";
    } else if (!game.guessedWhy.empty() && size == game.size) {
        note = "The game's save size is not known (" + game.guessedWhy +
               "): the size was guessed from the save's data. Another size can be chosen in the "
               "file chooser's size box (export-new --size on the command line).";
    }
    if (size > held) {
        note += std::string(note.empty() ? "" : "\n") + "The slot holds only the first " +
                base::ByteCount(held) + " of the file's " + base::ByteCount(size) +
                " bytes: the rest is blank (0xFF), as on a game card whose "
                "save never reached it.";
    }
    return note;
}

}  // namespace

void ExportNewSave(const slots::CommandContext& context) {
    const std::optional<int> row = OnlySelectedRow(context);
    if (!row) {
        return;
    }
    const std::string slotName = context.view.FileName(*row);
    std::vector<std::uint8_t> slot;
    if (slotName.empty() || platform::ReadWholeFile(context.SlotPathOf(slotName), slot)) {
        ShowError(context, kSlotNotOpened);
        return;
    }
    const std::size_t region = context.Layout().saveRegionSize;
    const std::span<const std::uint8_t> data(slot.data(), std::min(slot.size(), region));

    const NewFileSize game = GameSaveSize(context, slotName, data);
    std::uint64_t size = game.size;
    const std::vector<std::uint64_t> sizes = OfferedSizes(context.mode, game);
    const std::optional<std::string> target =
        context.prompter.ChooseSaveFileAndSize(NewFileFilters(context.mode), kTitle, sizes, size);
    if (!target) {
        return;
    }
    const formats::ForeignSaveType type = formats::ClassifyForeignSave(context.mode, *target);
    if (type != formats::ForeignSaveType::NdsSav && type != formats::ForeignSaveType::GbaSav &&
        type != formats::ForeignSaveType::Dsv) {
        ShowError(context, "It doesn't export to this kind of file. A new file can be " +
                               Offered(context.mode) + ".");
        return;
    }
    if (std::find(sizes.begin(), sizes.end(), size) == sizes.end()) {
        ShowError(context, "It doesn't export a save of " + base::ByteCount(size) +
                               " bytes. The save sizes are " + SizeList(sizes) + " bytes.");
        return;
    }
    // A save larger than the slot's whole region (a DS game of more than 256 KiB) is the
    // region's bytes, then blank; a slot file cut short holds too little for any larger size.
    if (data.size() < size && data.size() < region) {
        ShowError(context, "It doesn't export a save of " + base::ByteCount(size) +
                               " bytes: the file of the memory card holds only " +
                               base::ByteCount(data.size()) + " bytes of save data.");
        return;
    }

    // A smaller size than the save's data cuts bytes off: asked first, naming how many.
    if (const std::size_t lost = formats::DataBytesPast(data, size); lost > 0) {
        const std::string question =
            "A save of " + base::ByteCount(size) +
            " bytes leaves out the slot's save data from byte " + base::ByteCount(size) +
            " on: " + base::ByteCount(lost) + (lost == 1 ? " byte there is" : " bytes there are") +
            " not blank, and the new file will not hold " + (lost == 1 ? "it" : "them") +
            ".\nThe smallest size that holds the whole save is " +
            base::ByteCount(formats::SuggestedSize(context.mode, data)) + " bytes." +
            ports::text::kQuestionEnd;
        if (!context.prompter.AskYesNo(question, kTitle)) {
            return;
        }
    }

    const std::size_t held = std::min<std::size_t>(data.size(), size);
    std::vector<std::uint8_t> content(data.begin(),
                                      data.begin() + static_cast<std::ptrdiff_t>(held));
    content.resize(size, 0xFF);
    if (type == formats::ForeignSaveType::Dsv) {
        const std::vector<std::uint8_t> footer =
            formats::DesmumeFooter(static_cast<std::uint32_t>(size));
        content.insert(content.end(), footer.begin(), footer.end());
    }
    if (const std::error_code error = platform::ReplaceFile(*target, content)) {
        ShowError(context, std::string(kNotWritten) + "\n" + error.message());
        return;
    }
    const std::string note = SizeNote(game, size, held);
    ShowSuccess(context, "The new file holds a save of " + base::ByteCount(size) + " bytes." +
                             (note.empty() ? "" : "\n" + note));
}

}  // namespace slotkit::commands
