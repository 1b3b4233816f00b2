#include "commands/import_save.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "base/row_number.h"
#include "commands/exchange_steps.h"
#include "commands/game_check.h"
#include "formats/dst_decoder.h"
#include "formats/foreign_save.h"
#include "formats/save_containers.h"
#include "games/card_games.h"
#include "games/rom_save_type.h"
#include "history/in_place_writes.h"
#include "history/keep_history.h"
#include "platform/files.h"
#include "slots/slot_listing.h"

namespace slotkit::commands {

namespace {

constexpr const char* kImportNotOpened = "It doesn't open an import file.";
constexpr const char* kSlotNotWritten = "It doesn't write the file of the memory card.";
constexpr const char* kQuestionBody =
    "Does the import of the save data.\nDon't use for an [Not-used] slot.\nIt doesn't permit "
    "writing in save of the different game, too.";

// What the user is told when the save data does not fit the slot's save data region; the
// slot trailer behind the region is never written. Empty when everything fits.
std::string LeftOutNote(std::size_t payloadSize, bool decodedPastCapacity, std::size_t region) {
    if (payloadSize <= region) {
        return {};
    }
    const std::string regionText = base::ByteCount(region);
    if (decodedPastCapacity) {
        return "The save data of this file decodes to more than " + base::ByteCount(payloadSize) +
               " bytes, more than the " + regionText +
               "-byte save data region of the slot.\nOnly its first " + regionText +
               " bytes are written; more than " + base::ByteCount(payloadSize - region) +
               " bytes are left out.";
    }
    return "The save data of this file is " + base::ByteCount(payloadSize) +
           " bytes long, longer than the " + regionText +
           "-byte save data region of the slot.\nOnly its first " + regionText +
           " bytes are written; " + base::ByteCount(payloadSize - region) + " bytes are left out.";
}

// What the question tells about a recognised file: what it is, how much save data it holds and
// how much of it fits, the game its header names (unless `gameTold` elsewhere), and anything
// else worth knowing.
std::string FoundNote(const formats::FoundSave& found, std::size_t saveSize, std::size_t region,
                      bool gameTold) {
    std::string note = found.what + ": " + base::ByteCount(saveSize) + " bytes";
    if (saveSize > region) {
        note += "; only its first " + base::ByteCount(region) + " bytes fit the slot";
    }
    if (!found.game.empty() && !gameTold) {
        note += "\nGame: " + found.game;
    }
    if (!found.remark.empty()) {
        note += "\n" + found.remark;
    }
    return note;
}

// What the question says of the slot's game, when its ROM is on the card: whether the file
// names that game, and whether the file's save has the game's save size. Each is empty
// when it cannot be told.
struct GameNotes {
    std::string game;
    std::string size;
};
GameNotes CheckGame(const slots::CommandContext& context, const std::string& slotName,
                    const formats::FoundSave& found, std::size_t saveSize) {
    GameNotes notes;
    const std::unique_ptr<ports::BusyScope> busy = context.prompter.Busy();
    const games::CardGames games = games::FindCardGames(context.cardRoot, context.mode);
    const std::vector<const games::CardRom*> roms = RomsOfSlot(games, slotName);
    notes.game = GameCheckNote(found, roms);
    if (context.mode == slots::EditMode::Nds) {
        if (const auto memory = DsGameSaveOf(roms).memory) {
            notes.size = DsSaveSizeNote(saveSize, *memory);
        }
    } else {
        for (const games::CardRom* rom : roms) {
            // The whole ROM is read once; after that its type is remembered.
            if (const auto type = rom->saveType
                                      ? rom->saveType
                                      : games::GbaSaveTypeOfRomShown(rom->path, context.prompter)) {
                notes.size = SaveSizeNote(saveSize, *type);
                break;
            }
        }
    }
    return notes;
}

// Imports the file `chosen` into the slot of `row`. `naming`: the question names the file and
// the slot, which the user did not see in a chooser.
void ImportInto(const slots::CommandContext& context, int row, const std::string& chosen,
                bool naming) {
    const std::string slotName = context.view.FileName(row);
    std::vector<std::uint8_t> file;
    if (platform::ReadWholeFile(chosen, file)) {
        ShowError(context, kImportNotOpened);
        return;
    }
    std::vector<std::uint8_t> slot;
    const std::optional<std::string> slotPath = ReadUpdatableSlot(context, slotName, slot);
    if (!slotPath) {
        return;
    }
    const formats::ForeignSaveType type = formats::ClassifyForeignSave(context.mode, chosen);
    if (type == formats::ForeignSaveType::Unsupported) {
        ShowError(context, kNotSupported);
        return;
    }
    const formats::FoundSave found = ReadForeignSave(type, file);
    if (found.outcome == formats::FoundSave::Outcome::Refused) {
        ShowError(context, "It doesn't import this " + found.what + ": " + found.refusal + ".");
        return;
    }
    const std::size_t region = context.Layout().saveRegionSize;
    formats::DecodedDst decoded;
    std::span<const std::uint8_t> payload;
    std::string note;
    if (found.outcome == formats::FoundSave::Outcome::Found) {
        payload = found.Save(file);
    } else {
        // No signature: the file is read as its kind always has been.
        if (file.size() < PayloadOffset(type)) {
            ShowError(context, HeaderTooShort("import", ForeignSaveSuffix(type)));
            return;
        }
        if (type == formats::ForeignSaveType::Dst) {
            decoded = formats::DecodeDst(file);
            payload = decoded.Bytes();
        } else {
            payload = std::span<const std::uint8_t>(file).subspan(PayloadOffset(type));
        }
        note = LeftOutNote(payload.size(), decoded.capacityReached, region);
    }
    const std::size_t kept = std::min(payload.size(), region);
    const GameNotes checked = CheckGame(context, slotName, found, payload.size());
    if (found.outcome == formats::FoundSave::Outcome::Found) {
        note = FoundNote(found, payload.size(), region, !checked.game.empty());
    }

    std::string told = note;
    for (const std::string& line : {checked.game, checked.size}) {
        if (!line.empty()) {
            told += (told.empty() ? "" : "\n") + line;
        }
    }
    if (naming) {
        told = "File: " + base::DisplayText(chosen) +
               "\nInto the slot: " + base::DisplayText(slotName) +
               (told.empty() ? "" : "\n\n" + told);
    }
    if (!context.prompter.AskYesNo(Question(kQuestionBody, told), ImportCaption(type))) {
        return;
    }
    if (kept > 0) {
        if (!history::KeepBeforeChange(context, slotName, slot, "import")) {
            return;
        }
        // A damaged slot shorter than the data grows to hold it, as an in-place write would.
        if (slot.size() < kept) {
            slot.resize(kept);
        }
        std::copy_n(payload.begin(), kept, slot.begin());
        if (const std::error_code error = history::WriteSlot(context, slotName, slot)) {
            ShowError(context, std::string(kSlotNotWritten) + "\n" + error.message());
            return;
        }
    }
    ShowRowAsOnCard(context, row);
    ShowSuccess(context, note);
}

}  // namespace

void ImportSave(const slots::CommandContext& context) {
    const std::optional<int> row = OnlySelectedRow(context);
    if (!row) {
        return;
    }
    const std::optional<std::string> chosen =
        context.prompter.ChooseOpenFile(ImportFilters(context.mode), "");
    if (chosen) {
        ImportInto(context, *row, *chosen, false);
    }
}

void ImportDroppedFile(const slots::CommandContext& context, const std::string& path) {
    const std::optional<int> row = OnlySelectedRow(context);
    if (!row) {
        return;
    }
    if (context.view.FileName(*row).empty()) {
        context.prompter.Message(std::string("A save file is imported by dropping it onto the row "
                                             "of a slot file. Row ") +
                                     base::RowNumber(*row) +
                                     " holds no slot file; nothing was imported.",
                                 ports::text::kCaptionMessage, ports::MessageKind::Info);
        return;
    }
    ImportInto(context, *row, path, true);
}

}  // namespace slotkit::commands
