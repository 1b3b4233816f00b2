#include "card/rom_save_size.h"

#include <vector>

#include "games/gba_save_type.h"
#include "platform/platform.h"

namespace slotkit {

namespace {

constexpr std::size_t kPiece = 1 << 20;
constexpr std::uint64_t kLargestGbaRom = 32ull << 20;

// Whether any byte of `save` from `from` on differs from its last byte, the padding.
bool HoldsDataPast(std::span<const std::uint8_t> save, std::size_t from) {
    if (save.size() <= from) {
        return false;
    }
    const std::uint8_t padding = save.back();
    for (std::size_t i = from; i < save.size(); ++i) {
        if (save[i] != padding) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::optional<std::uint64_t> GbaSaveSizeOfRom(const std::string& romPath,
                                              std::span<const std::uint8_t> save) {
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
    const games::GbaSaveType type = scanner.Finish();
    switch (type.kind) {
        case games::GbaSaveKind::None:
            return std::nullopt;
        case games::GbaSaveKind::Eeprom:
            return HoldsDataPast(save, games::kGbaEepromSmall) ? games::kGbaEepromLarge
                                                               : games::kGbaEepromSmall;
        default:
            return type.size;
    }
}

}  // namespace slotkit
