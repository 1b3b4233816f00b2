#include "formats/desmume.h"

#include <string>
#include <string_view>

#include "base/little_endian.h"

namespace slotkit::formats {

namespace {

constexpr std::string_view kEnd = "|-DESMUME SAVE-|";
constexpr std::string_view kText =
    "|<--Snip above here to create a raw sav by excluding this DeSmuME savedata footer:";
static_assert(kText.size() == 82);

// The u32 fields after the text, from its end.
constexpr std::size_t kPaddedSizeField = 4;
constexpr std::size_t kVersionField = 20;
constexpr std::size_t kFieldCount = 6;
constexpr std::size_t kFieldsSize = kFieldCount * 4;
static_assert(kText.size() + kFieldsSize + kEnd.size() == kDesmumeFooterSize);

constexpr std::uint32_t kKnownVersion = 0;

}  // namespace

FoundSave ReadDesmume(ByteSpan file) {
    if (file.size() < kDesmumeFooterSize || !HasAt(file, file.size() - kEnd.size(), kEnd)) {
        return {};
    }
    const std::string what = "DeSmuME save";
    const std::size_t fields = file.size() - kDesmumeFooterSize + kText.size();
    const std::uint32_t padSize = base::ReadU32Le(file, fields + kPaddedSizeField);
    const std::uint32_t version = base::ReadU32Le(file, fields + kVersionField);
    if (version != kKnownVersion) {
        return Refused(what, "its footer is of a version (" + std::to_string(version) +
                                 ") this program does not know");
    }
    if (padSize != file.size() - kDesmumeFooterSize) {
        return Refused(what, "its footer names " + std::to_string(padSize) +
                                 " bytes of save data, but the file holds " +
                                 std::to_string(file.size() - kDesmumeFooterSize));
    }
    return Found(what, 0, padSize);
}

ExportRoom DesmumeExportRoom(ByteSpan file) {
    return RoomOf(ReadDesmume(file));
}

std::vector<std::uint8_t> DesmumeFooter(std::uint32_t size) {
    // DeSmuME's own numbers for its save types; flash (and NAND, which it keeps as flash) from
    // 256 KiB up to 64 MiB take the types 5 to 13, one for each doubling, with 3 address bytes.
    std::uint32_t kind = 0;
    std::uint32_t addressSize = 3;
    switch (size) {
        case 512:
            kind = 1;
            addressSize = 1;
            break;
        case 8192:
            kind = 2;
            addressSize = 2;
            break;
        case 65536:
            kind = 3;
            addressSize = 2;
            break;
        case 32768:
            kind = 4;
            addressSize = 2;
            break;
        default:  // 131,072 has no type of its own: DeSmuME finds it out from the game
            for (std::uint32_t flash = 262144, next = 5; flash <= 64u << 20; flash *= 2, ++next) {
                if (size == flash) {
                    kind = next;
                }
            }
            break;
    }
    std::vector<std::uint8_t> footer(kText.begin(), kText.end());
    footer.resize(kText.size() + kFieldsSize);
    std::uint8_t* field = footer.data() + kText.size();
    for (const std::uint32_t value : {size, size, kind, addressSize, size, kKnownVersion}) {
        base::WriteU32Le(field, value);
        field += 4;
    }
    footer.insert(footer.end(), kEnd.begin(), kEnd.end());
    return footer;
}

}  // namespace slotkit::formats
