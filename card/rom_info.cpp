#include "card/rom_info.h"

#include <vector>

#include "games/ds_header.h"
#include "games/gba_header.h"
#include "platform/platform.h"

namespace slotkit {

std::string RomInfo::Title(games::DsLanguage language) const {
    if (const auto lines = games::ReadDsBannerTitle(banner, language)) {
        std::string joined;
        for (const std::string& line : *lines) {
            if (!joined.empty()) {
                joined += " / ";
            }
            joined += line;
        }
        return joined;
    }
    return headerTitle;
}

std::optional<std::vector<std::uint8_t>> RomInfo::IconRgba() const {
    return games::ReadDsBannerIcon(banner);
}

namespace {

void ReadDs(const platform::FileReader& file, RomInfo& info) {
    std::vector<std::uint8_t> header;
    if (file.ReadAt(0, games::kDsHeaderSize, header)) {
        return;
    }
    info.readable = true;
    const games::DsHeader ds = games::ReadDsHeader(header, info.size);
    if (ds.cut || !ds.crcMatches) {
        return;
    }
    info.code = ds.gameCode;
    info.headerTitle = ds.title;
    if (!ds.bannerOffset) {
        return;
    }
    if (file.ReadAt(*ds.bannerOffset, games::kDsBannerShownSize, info.banner)) {
        info.banner.clear();
    }
}

void ReadGba(const platform::FileReader& file, bool stamped, RomInfo& info) {
    std::vector<std::uint8_t> header;
    if (file.ReadAt(0, games::kGbaHeaderSize, header)) {
        return;
    }
    info.readable = true;
    if (const auto time = stamped ? file.LastWrite() : std::nullopt) {
        info.stamp = MakeRomStamp(info.size, time->year, time->month, time->day, time->hour,
                                  time->minute, time->second, header);
    }
    const games::GbaHeader gba = games::ReadGbaHeader(header);
    if (gba.cut || !gba.fixedByteOk || !gba.complementOk) {
        return;
    }
    info.code = gba.gameCode;
    info.headerTitle = gba.title;
}

}  // namespace

RomInfo ReadRomInfo(const std::string& path, EditMode kind, bool stamped) {
    RomInfo info;
    platform::FileReader file;
    if (file.Open(path)) {
        return info;
    }
    info.size = file.Size();
    if (kind == EditMode::Nds) {
        ReadDs(file, info);
    } else {
        ReadGba(file, stamped, info);
    }
    return info;
}

}  // namespace slotkit
