#include "games/ds_save_memory.h"

#include <algorithm>

namespace slotkit::games {

namespace {

struct Entry {
    char code[5];
    DsSaveKind kind;
    std::uint32_t bytes;
};

constexpr Entry kList[] = {
#include "ds_save_list.inc"
};

constexpr bool Before(const Entry& a, const Entry& b) {
    return std::string_view(a.code, 4) < std::string_view(b.code, 4);
}

static_assert(std::is_sorted(std::begin(kList), std::end(kList), Before));
static_assert(std::all_of(std::begin(kList), std::end(kList),
                          [](const Entry& e) { return e.bytes <= kDsSaveMemoryMost; }));

}  // namespace

std::optional<DsSaveMemory> DsSaveMemoryOf(std::string_view gameCode) {
    if (gameCode.size() != 4) {
        return std::nullopt;
    }
    const auto found = std::lower_bound(
        std::begin(kList), std::end(kList), gameCode,
        [](const Entry& e, std::string_view code) { return std::string_view(e.code, 4) < code; });
    if (found == std::end(kList) || std::string_view(found->code, 4) != gameCode) {
        return std::nullopt;
    }
    return DsSaveMemory{found->kind, found->bytes};
}

std::size_t DsSaveListSize() {
    return std::size(kList);
}

std::string DsSaveMemoryText(const DsSaveMemory& memory) {
    std::string kind;
    switch (memory.kind) {
        case DsSaveKind::None:
            return "no save";
        case DsSaveKind::Eeprom:
            kind = "EEPROM";
            break;
        case DsSaveKind::Flash:
            kind = "Flash";
            break;
        case DsSaveKind::Nand:
            kind = "NAND";
            break;
    }
    const std::uint32_t bytes = memory.bytes;
    if (bytes >= 1024 * 1024 && bytes % (1024 * 1024) == 0) {
        return kind + " " + std::to_string(bytes / (1024 * 1024)) + " MiB";
    }
    if (bytes >= 1024 && bytes % 1024 == 0) {
        return kind + " " + std::to_string(bytes / 1024) + " KiB";
    }
    return kind + " " + std::to_string(bytes) + " B";
}

}  // namespace slotkit::games
