// The plan of a sync with a folder: each slot that names a game pairs with FOLDER/<ROM name>.sav
// (or .dsv); a sync record beside the history says what both sides held at the last sync, and so
// which side changed, and each pair's way is decided from it. Nothing is written here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "formats/foreign_save.h"
#include "slots/command_context.h"
#include "sync/sync_rule.h"

namespace slotkit::sync {

enum class SyncFormat { Sav, Dsv };

// How the files of a sync are read and written: DeSmuME files, or the raw saves of the mode.
formats::ForeignSaveType SyncFileType(slots::EditMode mode, SyncFormat format);

struct SyncPair {
    std::string slotFileName;
    std::string game;      // the ROM name the file is named after, without its extension
    std::string fileName;  // the file's name in the folder, as it is there or as it will be made
    bool fileExists = false;
    std::uint64_t size = 0;  // bytes of save data the pair moves
    // DS: the game's save memory, when the slot's ROM is on the card and its code is in the list
    // of known games. A file the sync makes or brings to the game's size has these many bytes of
    // save; `size` is this or the slot's region, the smaller.
    std::optional<std::uint64_t> gameSize;
    std::uint64_t fileSaveSize = 0;  // the existing file's save, in bytes
    std::uint64_t fileHash = 0;      // of the whole existing file, to see it unchanged at the write
    // The existing file holds its save alone or with a DeSmuME footer, and its save is not of
    // `gameSize` bytes: FileResized says whether the sync brings it there.
    bool otherSize = false;
    // The file's save holds data past `gameSize` (not padding): the pair is a conflict, and the
    // file is cut only where the user chose the card's save.
    bool dataPastGame = false;
    // Where the file's save is not of the game's size, why it is left at its size; empty otherwise.
    std::string keptSize;
    // Where the size of a new file was guessed from the save's data.
    bool sizeGuessed = false;
    // The hashes of the `size` bytes each side holds; a file's save shorter than that counts as
    // padded with 0xFF.
    std::uint64_t cardHash = 0;
    std::optional<std::uint64_t> folderHash;
    sync::Decision decision;
    std::string blocked;  // why the pair cannot be synced; empty when it can
};

struct SyncPlan {
    std::string folder;
    SyncFormat format = SyncFormat::Sav;
    std::vector<SyncPair> pairs;
    std::vector<std::string> unmatched;  // files in the folder that no slot pairs with
    std::vector<std::string> noGame;     // slot files that name no game
};

// Reads both sides and decides each pair; nothing is written. Fails with a message when the
// folder cannot be used at all.
std::optional<SyncPlan> PlanSync(const slots::CommandContext& context, const std::string& folder,
                                 SyncFormat format, std::string& failure);

// What happens to one pair, and why: "card -> folder (8,192 bytes): only the card's save
// changed since the last sync."
std::string WayText(const SyncPair& pair);

// The plan as the user reads it before the question: a line per pair and what is left alone.
std::string PlanText(const SyncPlan& plan);

// True when the sync brings the pair's existing file to the game's size: when it writes the
// card's save into the file, or else when the file holds nothing past the game's size but
// padding.
bool FileResized(const SyncPair& pair);

// True when carrying out the pair writes something: its save to one side, or the file brought
// to the game's size.
bool PairWrites(const SyncPair& pair);

// True when carrying out the plan writes something.
bool PlanWrites(const SyncPlan& plan);

}  // namespace slotkit::sync
