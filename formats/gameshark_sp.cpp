#include "formats/gameshark_sp.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/little_endian.h"
#include "formats/save_sizes.h"

namespace slotkit::formats {

namespace {

constexpr std::string_view kMagic = "ADVSAVEG";
constexpr std::size_t kGameNameAt = 0x0C;
constexpr std::size_t kGameNameSize = 12;
constexpr std::size_t kSaveTypeAt = 0x1C;
constexpr std::size_t kMarkAt = 0x42C;
constexpr std::string_view kMark = "xV4\x12";
constexpr std::size_t kSaveAt = 0x430;

// The size the save type names; 0 where it names none, and the save is the rest of the file.
constexpr std::size_t SizeOfSaveType(std::uint32_t type) {
    switch (type) {
        case 2:
            return 32768;
        case 3:
            return 512;
        case 4:
            return 8192;
        case 5:
            return 65536;
        case 6:
            return 131072;
        default:
            return 0;
    }
}

}  // namespace

FoundSave ReadGameSharkSp(ByteSpan file) {
    if (!HasAt(file, 0, kMagic)) {
        return {};
    }
    const std::string what = "GameShark SP save";
    if (file.size() < kSaveAt) {
        return Refused(what, "the file ends inside its header");
    }
    if (!HasAt(file, kMarkAt, kMark)) {
        return Refused(what, "its header is not one this program knows");
    }
    const std::size_t available = file.size() - kSaveAt;
    const std::size_t named = SizeOfSaveType(base::ReadU32Le(file, kSaveTypeAt));
    const std::size_t saveSize = named != 0 ? named : available;
    if (saveSize > available) {
        return Refused(what, "its header names " + std::to_string(saveSize) +
                                 " bytes of save data, more than the file holds");
    }
    FoundSave found = Found(what, kSaveAt, saveSize);
    found.game = found.gameTitle = AsciiName(file, kGameNameAt, kGameNameSize);
    if (IsEepromSize(saveSize)) {
        found.owned.emplace(file.begin() + static_cast<std::ptrdiff_t>(kSaveAt),
                            file.begin() + static_cast<std::ptrdiff_t>(kSaveAt + saveSize));
        ReverseEepromWords(*found.owned);
    }
    return found;
}

}  // namespace slotkit::formats
