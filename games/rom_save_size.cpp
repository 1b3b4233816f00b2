#include "games/rom_save_size.h"

#include "games/rom_save_type.h"

namespace slotkit::games {

namespace {

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

std::optional<std::uint64_t> GbaSaveSizeOfType(const games::GbaSaveType& type,
                                               std::span<const std::uint8_t> save) {
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

std::optional<std::uint64_t> GbaSaveSizeOfRom(const std::string& romPath,
                                              std::span<const std::uint8_t> save) {
    const auto type = GbaSaveTypeOfRom(romPath);
    return type ? GbaSaveSizeOfType(*type, save) : std::nullopt;
}

std::optional<games::DsSaveMemory> DsSaveMemoryOfRom(const RomInfo& info, slots::EditMode kind) {
    if (kind != slots::EditMode::Nds || info.code.empty()) {
        return std::nullopt;
    }
    return games::DsSaveMemoryOf(info.code);
}

}  // namespace slotkit::games
