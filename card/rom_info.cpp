#include "card/rom_info.h"

#include <vector>

#include "games/ds_header.h"
#include "games/gba_header.h"
#include "platform/platform.h"

namespace slotkit {

std::string RomInfo::Title(games::DsLanguage language) const {
    if (banner) {
        if (const auto* lines = banner->Title(language)) {
            std::string joined;
            for (const std::string& line : *lines) {
                joined += (joined.empty() ? "" : " / ") + line;
            }
            return joined;
        }
    }
    return headerTitle;
}

namespace {

void ReadDs(const std::string& path, RomInfo& info) {
    std::vector<std::uint8_t> header;
    if (platform::ReadAt(path, 0, games::kDsHeaderSize, header)) {
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
    std::vector<std::uint8_t> bytes;
    if (platform::ReadAt(path, *ds.bannerOffset, games::kDsBannerMaxSize, bytes)) {
        return;
    }
    games::DsBanner banner = games::ReadDsBanner(bytes);
    if (banner.crcs[0].Passes()) {
        info.banner = std::move(banner);
    }
}

void ReadGba(const std::string& path, RomInfo& info, bool sized) {
    std::vector<std::uint8_t> header;
    std::optional<platform::LocalTime> time;
    if (platform::ReadAt(path, 0, games::kGbaHeaderSize, header, &time)) {
        return;
    }
    info.readable = true;
    if (sized && time) {
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

RomInfo ReadRomInfo(const std::string& path, EditMode kind) {
    RomInfo info;
    const auto size = platform::FileSize(path);
    info.size = size.value_or(0);
    if (kind == EditMode::Nds) {
        ReadDs(path, info);
    } else {
        ReadGba(path, info, size.has_value());
    }
    return info;
}

}  // namespace slotkit
