#include "card/rom_save_type.h"

#include "games/gba_header.h"
#include "platform/platform.h"

namespace slotkit {

namespace {

constexpr std::size_t kPiece = 1 << 20;
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

// Reads the whole ROM's save type; nothing when a piece cannot be read.
std::optional<games::GbaSaveType> ScanRom(const std::string& romPath) {
    games::GbaSaveTypeScanner scanner;
    std::vector<std::uint8_t> piece;
    for (std::uint64_t at = 0; at < kLargestGbaRom; at += kPiece) {
        if (platform::ReadAt(romPath, at, kPiece, piece)) {
            return std::nullopt;
        }
        scanner.Feed(piece);
        if (piece.size() < kPiece) {
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

std::vector<std::optional<games::GbaSaveType>> GbaSaveTypesOfRoms(
    std::span<const std::string> romPaths) {
    std::vector<std::optional<games::GbaSaveType>> types(romPaths.size());
    const std::vector<RememberedSaveType> remembered = LoadRememberedSaveTypes();
    std::vector<RememberedSaveType> found;
    for (std::size_t i = 0; i < romPaths.size(); ++i) {
        const auto stamp = ReadRomStamp(romPaths[i]);
        if (!stamp) {
            continue;
        }
        if ((types[i] = FindRemembered(remembered, *stamp))) {
            continue;
        }
        const auto type = ScanRom(romPaths[i]);
        // A ROM that changed or went while it was read has no type to tell or remember.
        if (!type || ReadRomStamp(romPaths[i]) != stamp) {
            continue;
        }
        types[i] = type;
        found.push_back({*stamp, *type});
    }
    Store(found);
    return types;
}

std::optional<games::GbaSaveType> GbaSaveTypeOfRom(const std::string& romPath) {
    return GbaSaveTypesOfRoms(std::span(&romPath, 1)).front();
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

}  // namespace slotkit
