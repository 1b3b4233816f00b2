#include "games/card_games.h"

#include <algorithm>
#include <string_view>

#include "base/display_text.h"
#include "games/rom_names.h"
#include "games/rom_save_size.h"
#include "games/rom_save_type.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/paths.h"
#include "platform/short_name_alias.h"
#include "platform/short_names.h"
#include "slots/card_paths.h"
#include "slots/slot_files.h"

namespace slotkit::games {

namespace {

std::string TextUpToZero(const std::vector<std::uint8_t>& bytes, std::size_t from,
                         std::size_t size) {
    std::string text;
    for (std::size_t i = from; i < from + size && i < bytes.size() && bytes[i] != 0; ++i) {
        text += static_cast<char>(bytes[i]);
    }
    return text;
}

std::string Trimmed(std::string text) {
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    return text;
}

// The 8.3 name the file system keeps for `name` in `folder`: from `kept`, the folder's names read
// in one pass where the system gives them so, else asked for the path.
std::optional<std::string> KeptShortName(
    const std::string& folder, std::string_view name,
    const std::optional<std::vector<platform::KeptShortName>>& kept) {
    if (!kept) {
        return platform::ShortPathName(platform::JoinPath(folder, name));
    }
    for (const platform::KeptShortName& entry : *kept) {
        if (entry.name == name) {
            return entry.shortName;
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<SlotGame> ReadSlotGame(const std::string& path, const std::string& slotFile,
                                     const slots::SlotLayout& layout) {
    // The short name, the long name flag and the long name, in one read.
    const std::uint64_t from = layout.ShortNameOffset();
    const std::size_t flagAt = static_cast<std::size_t>(layout.LongNameFlagOffset() - from);
    const std::size_t longAt = static_cast<std::size_t>(layout.LongNameOffset() - from);
    std::vector<std::uint8_t> bytes;
    if (platform::ReadAt(path, from, longAt + slots::kLongNameSize, bytes) ||
        bytes.size() < slots::kShortNameSize || bytes[0] == 0) {
        return std::nullopt;
    }
    SlotGame slot{slotFile, TextUpToZero(bytes, 0, slots::kShortNameSize), std::nullopt};
    if (bytes.size() > flagAt && bytes[flagAt] != 0) {
        slot.longName = TextUpToZero(bytes, longAt, slots::kLongNameSize);
    }
    return slot;
}

bool SlotBelongsTo(const SlotGame& slot, const std::string& romName,
                   const std::optional<std::string>& romShortName) {
    const auto field = LongNameField(romName);
    const std::string longName(field.begin(), std::find(field.begin(), field.end(), 0));
    if (!romShortName) {
        return slot.longName && !slot.longName->empty() && *slot.longName == longName;
    }
    return *romShortName == slot.shortName && (!slot.longName || *slot.longName == longName);
}

std::string DottedShortName(const std::string& shortName) {
    const std::string name =
        Trimmed(shortName.substr(0, std::min<std::size_t>(shortName.size(), 8)));
    const std::string extension = shortName.size() > 8 ? Trimmed(shortName.substr(8)) : "";
    return base::DisplayText(extension.empty() ? name : name + "." + extension);
}

bool SlotHoldsSave(const games::DsSaveMemory& memory) {
    return memory.bytes <= slots::kNdsLayout.saveRegionSize;
}

std::string RomSaveText(const CardRom& rom, SaveNote note) {
    if (rom.dsSave) {
        std::string text = games::DsSaveMemoryText(*rom.dsSave);
        if (!SlotHoldsSave(*rom.dsSave)) {
            static_assert(slots::kNdsLayout.saveRegionSize % 1024 == 0);
            text += note == SaveNote::Short
                        ? " (slot too small)"
                        : " (a slot holds " +
                              std::to_string(slots::kNdsLayout.saveRegionSize / 1024) + " KiB)";
        }
        return text;
    }
    return rom.saveType ? GbaSaveTypeText(*rom.saveType) : std::string();
}

CardGames FindCardGames(const std::string& cardRoot, slots::EditMode mode, std::stop_token stop,
                        BannerKept kept) {
    CardGames games;
    games.mode = mode;
    platform::FileSearch search;
    search.suffixes = {mode == slots::EditMode::Nds ? ".NDS" : ".GBA"};
    search.skippedRootFolders = {std::string(SaveFolderName(slots::EditMode::Nds)),
                                 std::string(SaveFolderName(slots::EditMode::Gba))};
    search.maxDepth = kRomSearchDepth;
    search.maxEntries = kRomSearchEntries;
    search.stop = stop;
    platform::FoundFiles found = platform::FindFiles(cardRoot, search);
    games.searchStopped = found.stoppedAtLimit;
    std::sort(found.paths.begin(), found.paths.end());
    std::vector<RememberedSaveType> remembered;
    if (mode == slots::EditMode::Gba && !found.paths.empty()) {
        remembered = LoadRememberedSaveTypes();
    }

    // The ROMs come folder by folder: each folder is opened, and its 8.3 names read, once.
    platform::OpenFolder folder;
    std::string folderPath;
    std::optional<std::vector<platform::KeptShortName>> keptNames;
    const std::size_t rootLength = slots::AsCardRoot(cardRoot).size();
    games.roms.reserve(found.paths.size());
    for (std::string& path : found.paths) {
        if (stop.stop_requested()) {
            return games;
        }
        CardRom rom;
        rom.place = path.substr(std::min(path.size(), rootLength));
        rom.path = std::move(path);
        // The name is the end of the path, so it ends where the path does.
        const std::size_t nameAt = rom.path.size() - FileNamePart(rom.path).size();
        const char* name = rom.path.c_str() + nameAt;
        const std::string_view inFolder = std::string_view(rom.path).substr(0, nameAt);
        if (folderPath.empty() || inFolder != folderPath) {
            folderPath = inFolder.empty() ? "." : std::string(inFolder);
            folder.Open(folderPath);
            keptNames = platform::KeptShortNames(folderPath);
        }
        // Where the file system keeps no 8.3 name that can be read (or its alias may be "~2"
        // or later), the alias a new file of this name would be given stands in.
        auto shortForm = KeptShortName(folderPath, name, keptNames);
        if (!shortForm) {
            shortForm = platform::ShortNameFor(name);
        }
        if (shortForm) {
            rom.shortName = ShortNameText(*shortForm);
        }
        rom.info = ReadRomInfo(folder, name, mode, !remembered.empty(), kept);
        if (rom.info.stamp) {
            rom.saveType = FindRemembered(remembered, *rom.info.stamp);
        }
        rom.dsSave = DsSaveMemoryOfRom(rom.info, mode);
        games.roms.push_back(std::move(rom));
    }

    const std::string saveFolder = SaveFolderPath(slots::AsCardRoot(cardRoot), mode);
    for (const std::string& slotFile : slots::ListSlotFiles(saveFolder)) {
        if (stop.stop_requested()) {
            return games;
        }
        const auto slot =
            ReadSlotGame(platform::JoinPath(saveFolder, slotFile), slotFile, LayoutFor(mode));
        if (!slot) {
            continue;
        }
        bool found = false;
        for (CardRom& rom : games.roms) {
            if (SlotBelongsTo(*slot, std::string(FileNamePart(rom.path)), rom.shortName)) {
                rom.slotFiles.push_back(slotFile);
                found = true;
            }
        }
        if (!found) {
            games.slotsWithoutGame.push_back(*slot);
        }
    }
    return games;
}

std::vector<const CardRom*> RomsOfSlot(const CardGames& games, const std::string& slotFile) {
    std::vector<const CardRom*> roms;
    for (const CardRom& rom : games.roms) {
        if (std::find(rom.slotFiles.begin(), rom.slotFiles.end(), slotFile) !=
            rom.slotFiles.end()) {
            roms.push_back(&rom);
        }
    }
    return roms;
}

}  // namespace slotkit::games
