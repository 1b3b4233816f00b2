#include "formats/action_replay.h"

#include <cstdint>
#include <string_view>

#include "formats/foreign_save.h"

namespace slotkit::formats {

namespace {

// The header of kForeignHeaderSize bytes.
constexpr std::string_view kMagic = "ARDS000000000001";
constexpr std::size_t kGameNameAt = 0x158;
constexpr std::size_t kGameNameSize = 28;

// The short header.
constexpr std::size_t kShortZeroBytes = 4;  // it begins with these
constexpr std::size_t kShortGameNameAt = 0x04;
constexpr std::size_t kShortGameNameSize = 23;
constexpr std::size_t kShortSizeAt = 0xA1;  // two bytes: the save's size in 256-byte units
constexpr std::size_t kShortMarkAt = 0xA3;
constexpr std::uint8_t kShortMark = 0xC0;

bool HasShortHeader(ByteSpan file) {
    if (file.size() < kShortArHeaderSize) {
        return false;
    }
    for (std::size_t i = 0; i < kShortZeroBytes; ++i) {
        if (file[i] != 0) {
            return false;
        }
    }
    return file[kShortMarkAt] == kShortMark &&
           std::size_t{file[kShortSizeAt]} * 0x100 +
                   std::size_t{file[kShortSizeAt + 1]} * 0x10000 ==
               file.size() - kShortArHeaderSize;
}

}  // namespace

FoundSave ReadActionReplay(ByteSpan file) {
    if (HasAt(file, 0, kMagic) && file.size() >= kForeignHeaderSize) {
        FoundSave found =
            Found("Action Replay save", kForeignHeaderSize, file.size() - kForeignHeaderSize);
        found.game = found.gameTitle = AsciiName(file, kGameNameAt, kGameNameSize);
        found.gameFreeText = true;
        return found;
    }
    if (HasShortHeader(file)) {
        FoundSave found = Found("Action Replay save, 164-byte header", kShortArHeaderSize,
                                file.size() - kShortArHeaderSize);
        found.game = found.gameTitle = AsciiName(file, kShortGameNameAt, kShortGameNameSize);
        found.gameFreeText = true;
        return found;
    }
    return {};
}

ExportRoom ActionReplayExportRoom(ByteSpan file) {
    return RoomOf(ReadActionReplay(file));
}

}  // namespace slotkit::formats
