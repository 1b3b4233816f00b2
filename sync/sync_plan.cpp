// Reading both sides of a sync and deciding each pair; nothing is written here.
#include <algorithm>
#include <map>

#include "base/ascii.h"
#include "base/display_text.h"
#include "formats/save_containers.h"
#include "games/card_games.h"
#include "games/rom_names.h"
#include "games/rom_save_size.h"
#include "games/rom_save_type.h"
#include "history/history_format.h"
#include "history/keep_history.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/paths.h"
#include "slots/card_paths.h"
#include "slots/slot_files.h"
#include "sync/sync_places.h"
#include "sync/sync_plan.h"
#include "sync/sync_record.h"

namespace slotkit::sync {

namespace {

std::string FieldText(std::span<const std::uint8_t> field) {
    const auto end = std::find(field.begin(), field.end(), 0);
    std::string text(field.begin(), end);
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    return text;
}

// The name without its last extension: "Mario Kart DS.nds" gives "Mario Kart DS".
std::string WithoutExtension(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

// The ROM files on the card that each slot belongs to, by slot file name in lower case.
using RomsOfSlots = std::map<std::string, std::vector<const games::CardRom*>>;

// The ROM name the emulators name a save after: the slot's long name when it carries a whole
// one, else the name of its ROM file on the card, else its 8.3 name ("POKEMO~1NDS" gives
// "POKEMO~1"). Empty: the slot names no game. `rom` is the ROM file, when one is on the card.
std::string GameOfSlot(const std::string& slotName, std::span<const std::uint8_t> slot,
                       const slots::SlotLayout& layout, const RomsOfSlots& roms,
                       std::string& remark, std::string& blocked, const games::CardRom*& rom) {
    rom = nullptr;
    if (slot.size() < layout.LongNameOffset() + slots::kLongNameSize) {
        return {};
    }
    const std::string shortName =
        FieldText(slot.subspan(layout.ShortNameOffset(), slots::kShortNameSize));
    if (shortName.empty()) {
        return {};
    }
    const auto found = roms.find(base::AsciiLower(slotName));
    if (found != roms.end() && !found->second.empty()) {
        rom = found->second.front();
    }
    if (slot[layout.LongNameFlagOffset()] != 0) {
        const auto field = slot.subspan(layout.LongNameOffset(), slots::kLongNameSize);
        const std::string longName = FieldText(field);
        // A long name that fills its field was cut there: it is not the ROM file's name.
        if (!longName.empty() && field.back() == 0) {
            return WithoutExtension(longName);
        }
    }
    if (rom != nullptr) {
        const std::string name = WithoutExtension(std::string(games::FileNamePart(rom->path)));
        for (const games::CardRom* other : found->second) {
            if (WithoutExtension(std::string(games::FileNamePart(other->path))) != name) {
                blocked = "two ROM files on the card of different names belong to this slot: " +
                          base::DisplayText(rom->place) + " and " + base::DisplayText(other->place);
            }
        }
        return name;
    }
    remark = "its ROM file is not on the card, so the slot's 8.3 name is used";
    std::string base = shortName.substr(0, std::min<std::size_t>(8, shortName.size()));
    while (!base.empty() && base.back() == ' ') {
        base.pop_back();
    }
    return base;
}

// Why a name cannot be a file's name on FAT, NTFS or ext4; empty when it can be.
std::string UnfitName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") {
        return "the game's name is empty";
    }
    for (const unsigned char c : name) {
        if (c < 0x20 ||
            std::string_view("<>:\"/\\|?*").find(static_cast<char>(c)) != std::string_view::npos) {
            return "the game's name holds a character that a file name cannot hold";
        }
    }
    if (name.back() == '.' || name.back() == ' ') {
        return "the game's name ends in a dot or a blank, which Windows drops from file names";
    }
    return {};
}

std::string_view Suffix(SyncFormat format) {
    return format == SyncFormat::Dsv ? ".dsv" : ".sav";
}

// The file's save, read as the import reads it.
struct FolderSide {
    std::vector<std::uint8_t> bytes;
    std::span<const std::uint8_t> save;
    std::string blocked;
    // The file holds its save alone (a raw .sav), or a .dsv its save and footer: a file the sync
    // may bring to another size. `what` names the container of any other.
    bool plain = false;
    std::string what;
};

FolderSide ReadFolderSide(slots::EditMode mode, const std::string& path, SyncFormat format) {
    FolderSide side;
    if (const std::error_code error = platform::ReadWholeFile(path, side.bytes)) {
        side.blocked = "the file cannot be read: " + error.message();
        return side;
    }
    const formats::FoundSave found = ReadForeignSave(SyncFileType(mode, format), side.bytes);
    if (found.outcome == formats::FoundSave::Outcome::Refused) {
        side.blocked = "the file cannot be read as a save: " + found.refusal;
        return side;
    }
    side.save = found.outcome == formats::FoundSave::Outcome::Found
                    ? found.Save(side.bytes)
                    : std::span<const std::uint8_t>(side.bytes);
    if (found.owned) {
        // A decoded save cannot be written back into its file.
        side.blocked = "the file is a " + found.what + ", which a sync cannot write back";
    }
    side.plain = format == SyncFormat::Dsv ? found.outcome == formats::FoundSave::Outcome::Found
                                           : found.outcome == formats::FoundSave::Outcome::Raw;
    side.what = found.what;
    return side;
}

// A DS game's save memory in bytes, from the list of known games by the code in the header of
// the slot's ROM on the card. Nothing when it cannot be known: no ROM on the card, a header that
// fails its check, a code not in the list, a game that keeps no save, or ROMs of the slot in
// different folders that name games of different sizes.
std::optional<std::uint64_t> GameSaveBytes(slots::EditMode mode, const RomsOfSlots& roms,
                                           const std::string& slotName) {
    const auto found = roms.find(base::AsciiLower(slotName));
    if (mode != slots::EditMode::Nds || found == roms.end() || found->second.empty()) {
        return std::nullopt;
    }
    std::optional<std::uint64_t> bytes;
    for (const games::CardRom* rom : found->second) {
        const auto& memory = rom->dsSave;
        if (!memory || memory->kind == games::DsSaveKind::None || memory->bytes == 0 ||
            memory->bytes > games::kDsSaveMemoryMost || (bytes && *bytes != memory->bytes)) {
            return std::nullopt;
        }
        bytes = memory->bytes;
    }
    return bytes;
}

// The hash of the first `size` bytes of a file's save, a save shorter than that padded with 0xFF
// as an emulator pads a short file. `size` is at most a slot's save region.
std::uint64_t HashAtSize(std::span<const std::uint8_t> save, std::size_t size) {
    if (save.size() >= size) {
        return base::ContentHash(save.first(size));
    }
    std::vector<std::uint8_t> padded(save.begin(), save.end());
    padded.resize(size, 0xFF);
    return base::ContentHash(padded);
}

void AddRemark(std::string& remark, const std::string& more) {
    remark += (remark.empty() ? "" : "; ") + more;
}

// Reads the folder's entries and the card's slot files; the text of the failure when either
// cannot be read, or when the format does not fit the mode. Empty when both were read.
std::string ReadBothSides(const slots::CommandContext& context, const std::string& folder,
                          SyncFormat format, std::vector<platform::FolderEntry>& entries,
                          std::vector<std::string>& slots) {
    if (format == SyncFormat::Dsv && context.mode != slots::EditMode::Nds) {
        return "DeSmuME's .dsv files hold DS saves: a GBA sync uses .sav files.";
    }
    if (!platform::IsDirectory(folder)) {
        return "The folder " + base::DisplayText(folder) + " is not there.";
    }
    if (const std::error_code error = platform::ListFolder(folder, entries)) {
        return "The folder " + base::DisplayText(folder) + " cannot be read: " + error.message() +
               ".";
    }
    std::error_code listError;
    slots = slots::ListSlotFiles(context.SaveFolder(), &listError);
    if (listError) {
        return "The save folder of the card cannot be read: " + listError.message() + ".";
    }
    return {};
}

// What every pair is decided from: the card's ROMs by slot, the record of the last sync and the
// folder's entries by lower-case name.
struct PairSources {
    const slots::CommandContext& context;
    const std::string& folder;
    SyncFormat format;
    RomsOfSlots roms;
    std::vector<sync::RecordLine> record;
    std::map<std::string, const platform::FolderEntry*> byName;
};

std::string TooShortText(std::uint64_t size) {
    return "the slot file is too short for a save of " + base::ByteCount(size) + " bytes";
}

// The size and hashes of a pair whose file is in the folder. False when the pair is blocked.
// `savedAtFileSize` is the hash of the file's save at its own size, when that is not the game's.
bool DecideWithFile(const PairSources& sources, std::span<const std::uint8_t> region,
                    std::uint64_t slotHolds, bool isFolder, SyncPair& pair,
                    std::optional<std::uint64_t>& savedAtFileSize) {
    if (isFolder) {
        pair.blocked = base::DisplayText(pair.fileName) + " in the folder is a folder, not a file";
        return false;
    }
    pair.fileExists = true;
    const FolderSide side = ReadFolderSide(
        sources.context.mode, platform::JoinPath(sources.folder, pair.fileName), sources.format);
    const std::uint64_t fileSave = side.save.size();
    pair.fileSaveSize = fileSave;
    // The save's size after the sync: the game's, unless the file is of another size and of a
    // container the sync does not resize.
    const bool atGame = pair.gameSize && (side.plain || fileSave == *pair.gameSize);
    const std::uint64_t target = atGame ? *pair.gameSize : fileSave;
    pair.size = std::min(target, slotHolds);
    pair.blocked = side.blocked;
    if (!pair.blocked.empty()) {
        return false;
    }
    if (side.save.empty()) {
        pair.blocked = "the file holds no save data";
    } else if (atGame && target > slotHolds && formats::DataBytesPast(side.save, slotHolds) > 0) {
        pair.blocked = "the file's save holds data past the " + base::ByteCount(slotHolds) +
                       " bytes a slot holds";
    } else if (!atGame && fileSave > region.size()) {
        pair.blocked = "the file's save (" + base::ByteCount(fileSave) +
                       " bytes) is larger than the slot's save data region (" +
                       base::ByteCount(region.size()) + " bytes)";
    }
    if (pair.blocked.empty() && pair.size > region.size()) {
        pair.blocked = TooShortText(pair.size);
    }
    if (!pair.blocked.empty()) {
        return false;
    }
    pair.dataPastGame =
        atGame && fileSave > target && formats::DataBytesPast(side.save, target) > 0;
    pair.otherSize = atGame && fileSave != target;
    if (pair.gameSize && !atGame) {
        pair.keptSize = "the file is a " + side.what + ", whose size the sync keeps";
    }
    pair.fileHash = base::ContentHash(side.bytes);
    pair.folderHash = HashAtSize(side.save, pair.size);
    if (pair.otherSize) {
        savedAtFileSize = base::ContentHash(side.save);
    }
    return true;
}

// The size of a pair whose file is not in the folder yet: the game's, or else the one its GBA
// ROM names, or else one guessed from the slot's data. False when the pair is blocked.
bool DecideWithoutFile(const slots::CommandContext& context, const games::CardRom* rom,
                       std::span<const std::uint8_t> region, std::uint64_t slotHolds,
                       SyncPair& pair, std::string& remark) {
    if (pair.gameSize) {
        pair.size = std::min(*pair.gameSize, slotHolds);
    } else {
        pair.size = formats::SuggestedSize(context.mode, region);
        pair.sizeGuessed = context.mode == slots::EditMode::Nds;
        if (context.mode == slots::EditMode::Gba && rom != nullptr) {
            const auto type = rom->saveType
                                  ? rom->saveType
                                  : games::GbaSaveTypeOfRomShown(rom->path, context.prompter);
            if (const auto romSize = type ? GbaSaveSizeOfType(*type, region) : std::nullopt) {
                pair.size = *romSize;
                remark = "the save size is the one the game's ROM names";
            }
        }
    }
    if (pair.size > region.size()) {
        pair.blocked = TooShortText(pair.size);
        return false;
    }
    return true;
}

// A sync before the file was of its game's size recorded both saves at the file's size. A side
// that still holds what was recorded, and nothing else up to the game's size, has not changed
// since: its recorded hash becomes the one at the game's size.
void RecordAtGameSize(const SyncPair& pair, std::span<const std::uint8_t> region,
                      std::uint64_t savedAtFileSize, sync::LastSync& last) {
    const std::size_t fileSize = static_cast<std::size_t>(pair.fileSaveSize);
    if (savedAtFileSize == last.folder) {
        last.folder = *pair.folderHash;
    }
    const std::size_t moved = static_cast<std::size_t>(pair.size);
    const bool paddedToMoved =
        fileSize >= moved || std::all_of(region.begin() + static_cast<std::ptrdiff_t>(fileSize),
                                         region.begin() + static_cast<std::ptrdiff_t>(moved),
                                         [](std::uint8_t b) { return b == 0xFF; });
    if (fileSize <= region.size() && paddedToMoved &&
        base::ContentHash(region.first(fileSize)) == last.card) {
        last.card = pair.cardHash;
    }
}

std::string DataPastGameText(const SyncPair& pair) {
    return "the file's save (" + base::ByteCount(pair.fileSaveSize) +
           " bytes) holds data past the game's " + base::ByteCount(*pair.gameSize) +
           " bytes, which bringing the file to the game's size would cut";
}

// The remarks shown after the reason of a pair's decision, `remark` first.
std::string PairRemarks(const SyncPair& pair, std::uint64_t slotHolds, std::string remark) {
    if (pair.gameSize && *pair.gameSize > slotHolds) {
        AddRemark(remark, "the slot holds only the first " + base::ByteCount(slotHolds) +
                              " of the game's " + base::ByteCount(*pair.gameSize) + " bytes");
    }
    if (!pair.keptSize.empty()) {
        AddRemark(remark, base::ByteCount(pair.fileSaveSize) + " bytes; the game's save is " +
                              base::ByteCount(*pair.gameSize) + " bytes; " + pair.keptSize);
    }
    if (pair.sizeGuessed) {
        AddRemark(remark,
                  "the game's save size is not known: the size was guessed from the save's "
                  "data; \"Export to a new file...\" (export-new --size) makes a file of "
                  "another size");
    }
    return remark;
}

// Decides the pair of one slot file, whose bytes are read into `slot`. False when the slot
// names no game, and so has no pair. `namesFile` is set once the pair names its file.
bool DecidePair(const PairSources& sources, const std::string& slotName,
                std::vector<std::uint8_t>& slot, SyncPair& pair, bool& namesFile) {
    const slots::CommandContext& context = sources.context;
    pair.slotFileName = slotName;
    if (const std::error_code error = platform::ReadWholeFile(context.SlotPathOf(slotName), slot)) {
        pair.blocked = "the slot file cannot be read: " + error.message();
        return true;
    }
    const slots::SlotLayout& layout = context.Layout();
    std::string remark;
    const games::CardRom* rom = nullptr;
    pair.game = GameOfSlot(slotName, slot, layout, sources.roms, remark, pair.blocked, rom);
    if (pair.game.empty()) {
        return false;
    }
    if (!pair.blocked.empty()) {
        return true;
    }
    pair.fileName = pair.game + std::string(Suffix(sources.format));
    if (const std::string unfit = UnfitName(pair.game); !unfit.empty()) {
        pair.blocked = unfit;
        return true;
    }
    namesFile = true;

    const std::span<const std::uint8_t> region(
        slot.data(), std::min<std::size_t>(slot.size(), layout.saveRegionSize));
    const std::uint64_t slotHolds = layout.saveRegionSize;
    pair.gameSize = GameSaveBytes(context.mode, sources.roms, slotName);
    std::optional<std::uint64_t> savedAtFileSize;
    const auto found = sources.byName.find(base::AsciiLower(pair.fileName));
    if (found != sources.byName.end()) {
        pair.fileName = found->second->name;
        if (!DecideWithFile(sources, region, slotHolds, found->second->isFolder, pair,
                            savedAtFileSize)) {
            return true;
        }
    } else if (!DecideWithoutFile(context, rom, region, slotHolds, pair, remark)) {
        return true;
    }
    pair.cardHash = base::ContentHash(region.first(pair.size));
    auto last = sync::FindLast(sources.record, pair.slotFileName, pair.fileName);
    if (last && savedAtFileSize) {
        RecordAtGameSize(pair, region, *savedAtFileSize, *last);
    }
    pair.decision = sync::Decide(pair.cardHash, pair.folderHash, last);
    if (pair.dataPastGame) {
        pair.decision = {sync::Way::Conflict, DataPastGameText(pair)};
    }
    remark = PairRemarks(pair, slotHolds, std::move(remark));
    if (!remark.empty()) {
        pair.decision.why += " (" + remark + ")";
    }
    return true;
}

// Two slots naming one game would write one file from both: neither is synced.
void BlockSharedFiles(const std::map<std::string, std::vector<std::size_t>>& pairsOfFile,
                      std::vector<SyncPair>& pairs) {
    for (const auto& [file, indexes] : pairsOfFile) {
        if (indexes.size() < 2) {
            continue;
        }
        std::string names;
        for (const std::size_t i : indexes) {
            names += (names.empty() ? "" : ", ") + base::DisplayText(pairs[i].slotFileName);
        }
        for (const std::size_t i : indexes) {
            pairs[i].blocked = "the slots " + names + " name one game";
        }
    }
}

}  // namespace

formats::ForeignSaveType SyncFileType(slots::EditMode mode, SyncFormat format) {
    if (format == SyncFormat::Dsv) {
        return formats::ForeignSaveType::Dsv;
    }
    return mode == slots::EditMode::Nds ? formats::ForeignSaveType::NdsSav
                                        : formats::ForeignSaveType::GbaSav;
}

std::optional<SyncPlan> PlanSync(const slots::CommandContext& context, const std::string& folder,
                                 SyncFormat format, std::string& failure) {
    std::vector<platform::FolderEntry> entries;
    std::vector<std::string> slots;
    if (std::string why = ReadBothSides(context, folder, format, entries, slots); !why.empty()) {
        failure = std::move(why);
        return std::nullopt;
    }

    SyncPlan plan{folder, format, {}, {}, {}};
    const games::CardGames games = games::FindCardGames(context.cardRoot, context.mode);
    PairSources sources{context, folder, format, {}, ReadSyncRecord(context, folder), {}};
    for (const games::CardRom& rom : games.roms) {
        for (const std::string& slotFile : rom.slotFiles) {
            sources.roms[base::AsciiLower(slotFile)].push_back(&rom);
        }
    }
    for (const platform::FolderEntry& entry : entries) {
        sources.byName.emplace(base::AsciiLower(entry.name), &entry);
    }
    std::map<std::string, std::vector<std::size_t>> pairsOfFile;
    std::vector<std::uint8_t> slot;
    for (const std::string& slotName : slots) {
        SyncPair pair;
        bool namesFile = false;
        if (!DecidePair(sources, slotName, slot, pair, namesFile)) {
            plan.noGame.push_back(slotName);
            continue;
        }
        if (namesFile) {
            pairsOfFile[base::AsciiLower(pair.fileName)].push_back(plan.pairs.size());
        }
        plan.pairs.push_back(std::move(pair));
    }
    BlockSharedFiles(pairsOfFile, plan.pairs);
    for (const platform::FolderEntry& entry : entries) {
        const bool paired = pairsOfFile.count(base::AsciiLower(entry.name)) > 0;
        if (!paired && !entry.isFolder) {
            plan.unmatched.push_back(entry.name);
        }
    }
    return plan;
}

bool FileResized(const SyncPair& pair) {
    return pair.blocked.empty() && pair.otherSize &&
           (pair.decision.way == sync::Way::ToFolder ||
            (!pair.dataPastGame &&
             (pair.decision.way == sync::Way::Nothing || pair.decision.way == sync::Way::ToCard)));
}

bool PairWrites(const SyncPair& pair) {
    return pair.blocked.empty() && (pair.decision.way == sync::Way::ToCard ||
                                    pair.decision.way == sync::Way::ToFolder || FileResized(pair));
}

bool PlanWrites(const SyncPlan& plan) {
    return std::any_of(plan.pairs.begin(), plan.pairs.end(), PairWrites);
}

namespace {

// "8,192 bytes; the game's save is 262,144 bytes"
std::string SizesText(const SyncPair& pair) {
    return base::ByteCount(pair.fileSaveSize) + " bytes; the game's save is " +
           base::ByteCount(pair.gameSize.value_or(0)) + " bytes";
}

// What becomes of a file brought to the game's size without the card's save written into it.
std::string ResizeText(const SyncPair& pair) {
    return (pair.fileSaveSize < pair.gameSize.value_or(0)
                ? "the file is padded with 0xFF to the game's size ("
                : "the file is cut to the game's size, past which it holds only padding (") +
           SizesText(pair) + ")";
}

}  // namespace

std::string WayText(const SyncPair& pair) {
    if (!pair.blocked.empty()) {
        return "not synced: " + base::DisplayText(pair.blocked) + ".";
    }
    std::string text;
    switch (pair.decision.way) {
        case sync::Way::Nothing:
            text = FileResized(pair) ? "nothing to do for the save; " + ResizeText(pair)
                                     : std::string("nothing to do");
            break;
        case sync::Way::ToFolder:
            if (!pair.fileExists) {
                text = "card -> folder, a new file (" +
                       base::ByteCount(pair.gameSize.value_or(pair.size)) + " bytes" +
                       (pair.gameSize ? ", the game's save size)" : ")");
            } else if (FileResized(pair)) {
                text =
                    "card -> folder, the file written at the game's size (" + SizesText(pair) + ")";
            } else {
                text = "card -> folder (" + base::ByteCount(pair.size) + " bytes)";
            }
            break;
        case sync::Way::ToCard:
            text = "folder -> card (" + base::ByteCount(pair.size) + " bytes)";
            if (FileResized(pair)) {
                text += ", then " + ResizeText(pair);
            }
            break;
        case sync::Way::Conflict:
            text = "conflict, left as it is";
            if (pair.otherSize && !pair.dataPastGame) {  // where the reason does not say so
                text += " (" + SizesText(pair) + ")";
            }
            break;
    }
    return text + ": " + pair.decision.why + ".";
}

std::string PlanText(const SyncPlan& plan) {
    std::string text =
        "The slots of the card and the files of " + base::DisplayText(plan.folder) + ":";
    for (const SyncPair& pair : plan.pairs) {
        text +=
            "\n" + base::DisplayText(pair.slotFileName) + " <-> " +
            (pair.fileName.empty() ? std::string("(no file)") : base::DisplayText(pair.fileName)) +
            ": " + WayText(pair);
    }
    if (plan.pairs.empty()) {
        text += "\nNo slot names a game.";
    }
    if (!plan.noGame.empty()) {
        text += "\nSlot files that name no game, left as they are:";
        for (const std::string& name : plan.noGame) {
            text += " " + base::DisplayText(name);
        }
    }
    if (!plan.unmatched.empty()) {
        text += "\nFiles in the folder that no slot pairs with, left as they are:";
        for (const std::string& name : plan.unmatched) {
            text += " " + base::DisplayText(name);
        }
    }
    return text;
}

}  // namespace slotkit::sync
