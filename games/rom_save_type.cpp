#include "games/rom_save_type.h"

#include <algorithm>

#include "base/display_text.h"
#include "games/gba_header.h"
#include "games/rom_names.h"
#include "platform/durable_writes.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/paths.h"
#include "platform/user_places.h"
#include "ports/prompter.h"

namespace slotkit::games {

namespace {

// The largest GBA ROM; a longer file is read that far.
constexpr std::uint64_t kLargestGbaRom = 32ull << 20;

std::optional<std::string> CacheFilePath() {
    std::string folder;
    if (platform::UserCacheFolder(folder)) {
        return std::nullopt;
    }
    return platform::JoinPath(folder, kSaveTypeCacheFileName);
}

std::vector<RememberedSaveType> LoadFrom(const std::string& cachePath) {
    std::vector<std::uint8_t> bytes;
    if (platform::ReadAt(cachePath, 0, kSaveTypeCacheBytes + 1, bytes)) {
        return {};
    }
    std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (text.size() > kSaveTypeCacheBytes) {
        // Read up to the bound: the line it cuts is left out.
        text = text.substr(0, text.rfind('\n', kSaveTypeCacheBytes - 1) + 1);
    }
    return ParseSaveTypeCache(text);
}

// Adds `found` to the cache as it is on the disk now (another run may have added to it).
void Store(const std::vector<RememberedSaveType>& found) {
    const auto cachePath = CacheFilePath();
    if (found.empty() || !cachePath) {
        return;
    }
    std::vector<RememberedSaveType> entries = LoadFrom(*cachePath);
    for (const RememberedSaveType& entry : found) {
        Remember(entries, entry);
    }
    std::string folder;
    if (platform::UserCacheFolder(folder) || platform::MakeFolders(folder)) {
        return;
    }
    const std::string text = FormatSaveTypeCache(entries);
    // A cache that cannot be written only means reading the ROM again next time.
    (void)platform::ReplaceFile(
        *cachePath, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

// Reads the whole ROM's save type; nothing when a piece cannot be read or a stop was asked for.
std::optional<games::GbaSaveType> ScanRom(const std::string& romPath,
                                          const RomPieceReader& readPiece, std::stop_token stop,
                                          const std::function<void(std::size_t)>& pieceRead) {
    games::GbaSaveTypeScanner scanner;
    std::vector<std::uint8_t> piece;
    for (std::uint64_t at = 0; at < kLargestGbaRom; at += kRomReadPiece) {
        if (stop.stop_requested() || readPiece(romPath, at, kRomReadPiece, piece, stop) ||
            stop.stop_requested()) {
            return std::nullopt;
        }
        scanner.Feed(piece);
        if (pieceRead) {
            pieceRead(piece.size());
        }
        if (piece.size() < kRomReadPiece) {
            break;
        }
    }
    return scanner.Finish();
}

}  // namespace

std::optional<RomStamp> ReadRomStamp(const std::string& romPath) {
    std::vector<std::uint8_t> header;
    std::optional<platform::LocalTime> lastWrite;
    const auto size = platform::FileSize(romPath);
    if (!size || platform::ReadAt(romPath, 0, games::kGbaHeaderSize, header, &lastWrite) ||
        !lastWrite) {
        return std::nullopt;
    }
    return MakeRomStamp(*size, lastWrite->year, lastWrite->month, lastWrite->day, lastWrite->hour,
                        lastWrite->minute, lastWrite->second, header);
}

std::vector<RememberedSaveType> LoadRememberedSaveTypes() {
    const auto cachePath = CacheFilePath();
    return cachePath ? LoadFrom(*cachePath) : std::vector<RememberedSaveType>{};
}

std::optional<games::GbaSaveType> RememberedGbaSaveType(const std::string& romPath) {
    const auto stamp = ReadRomStamp(romPath);
    if (!stamp) {
        return std::nullopt;
    }
    return FindRemembered(LoadRememberedSaveTypes(), *stamp);
}

std::vector<std::optional<games::GbaSaveType>> ReadGbaSaveTypes(
    std::span<const std::string> romPaths, const SaveTypeReading& reading, std::stop_token stop) {
    const RomPieceReader readPiece =
        reading.readPiece ? reading.readPiece
                          : [](const std::string& path, std::uint64_t offset, std::size_t count,
                               std::vector<std::uint8_t>& out, std::stop_token) {
                                return platform::ReadAt(path, offset, count, out);
                            };
    std::vector<std::optional<games::GbaSaveType>> types(romPaths.size());
    const std::vector<RememberedSaveType> remembered = LoadRememberedSaveTypes();
    // The stamps first: the remembered types are known at once, and the rest's sizes tell how
    // much there is to read.
    std::vector<std::optional<RomStamp>> stamps(romPaths.size());
    SaveTypeProgress progress;
    progress.romCount = romPaths.size();
    for (std::size_t i = 0; i < romPaths.size() && !stop.stop_requested(); ++i) {
        stamps[i] = ReadRomStamp(romPaths[i]);
        if (stamps[i] && !(types[i] = FindRemembered(remembered, *stamps[i]))) {
            progress.bytesToRead += std::min(stamps[i]->size, kLargestGbaRom);
        }
    }
    const auto tell = [&] {
        if (reading.progress) {
            reading.progress(progress);
        }
    };
    tell();
    for (std::size_t i = 0; i < romPaths.size() && !stop.stop_requested(); ++i) {
        if (stamps[i] && !types[i]) {
            const auto type = ScanRom(romPaths[i], readPiece, stop, [&](std::size_t bytes) {
                progress.bytesRead += bytes;
                tell();
            });
            if (!type && stop.stop_requested()) {
                break;  // this ROM's reading did not end
            }
            // A ROM that changed or went while it was read has no type to tell or remember.
            if (type && ReadRomStamp(romPaths[i]) == stamps[i]) {
                types[i] = type;
                Store({{*stamps[i], *type}});
            }
        }
        if (types[i] && reading.found) {
            reading.found(i, *types[i]);
        }
        ++progress.romsDone;
        tell();
    }
    return types;
}

std::vector<std::optional<games::GbaSaveType>> GbaSaveTypesOfRoms(
    std::span<const std::string> romPaths) {
    return ReadGbaSaveTypes(romPaths, {});
}

std::optional<games::GbaSaveType> GbaSaveTypeOfRom(const std::string& romPath) {
    return GbaSaveTypesOfRoms(std::span(&romPath, 1)).front();
}

std::optional<games::GbaSaveType> GbaSaveTypeOfRomShown(const std::string& romPath,
                                                        ports::Prompter& prompter) {
    if (auto remembered = RememberedGbaSaveType(romPath)) {
        return remembered;
    }
    const std::string name = base::DisplayText(FileNamePart(romPath));
    const std::unique_ptr<ports::ProgressScope> shown =
        prompter.Progress("Reading the save type of " + name);
    std::stop_source stop;
    SaveTypeReading reading;
    reading.progress = [&](const SaveTypeProgress& done) {
        constexpr std::uint64_t kMiB = 1024 * 1024;
        const std::string text =
            "The save type of " + name +
            " is read from the whole ROM: " + base::ByteCount((done.bytesRead + kMiB - 1) / kMiB) +
            " of " + base::ByteCount((done.bytesToRead + kMiB - 1) / kMiB) + " MiB read.";
        if (!shown->Update(done.bytesRead, done.bytesToRead, text)) {
            stop.request_stop();
        }
    };
    return ReadGbaSaveTypes(std::span(&romPath, 1), reading, stop.get_token()).front();
}

std::string GbaSaveTypeText(const games::GbaSaveType& type) {
    std::string text;
    switch (type.kind) {
        case games::GbaSaveKind::None:
            text = "no save";
            break;
        case games::GbaSaveKind::Eeprom:
            text = "EEPROM 512 B or 8 KiB";
            break;
        case games::GbaSaveKind::Sram:
            text = "SRAM 32 KiB";
            break;
        case games::GbaSaveKind::Flash64K:
            text = "Flash 64 KiB";
            break;
        case games::GbaSaveKind::Flash128K:
            text = "Flash 128 KiB";
            break;
    }
    return type.hasClock ? text + ", clock" : text;
}

}  // namespace slotkit::games
