#include "games/ds_header.h"

#include "games/crc16.h"
#include "games/ds_banner.h"
#include "games/rom_text.h"

namespace slotkit::games {

namespace {

DsUnit UnitOf(std::uint8_t code) {
    switch (code) {
        case 0:
            return DsUnit::Ds;
        case 2:
            return DsUnit::DsAndDsi;
        case 3:
            return DsUnit::DsiOnly;
        default:
            return DsUnit::Unknown;
    }
}

}  // namespace

DsHeader ReadDsHeader(ByteSpan start, std::optional<std::uint64_t> fileSize) {
    DsHeader header;
    if (start.size() < kDsHeaderSize || (fileSize && *fileSize < kDsHeaderSize)) {
        header.cut = true;
        return header;
    }
    header.title = AsciiText(start.subspan(0x000, 12));
    header.gameCode = AsciiText(start.subspan(0x00C, 4));
    header.makerCode = AsciiText(start.subspan(0x010, 2));
    header.unitCodeByte = start[0x012];
    header.unit = UnitOf(header.unitCodeByte);
    const std::uint32_t banner = base::ReadU32Le(start, 0x068);
    if (banner >= 0x200 &&
        (!fileSize || (banner <= *fileSize && *fileSize - banner >= kDsBannerMinSize))) {
        header.bannerOffset = banner;
    }
    header.storedCrc = base::ReadU16Le(start, 0x15E);
    header.computedCrc = Crc16(start.first(0x15E));
    header.crcMatches = header.storedCrc == header.computedCrc;
    return header;
}

}  // namespace slotkit::games
