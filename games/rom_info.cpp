#include "games/rom_info.h"

#include <array>
#include <span>
#include <vector>

#include "games/ds_header.h"
#include "games/gba_header.h"
#include "platform/files.h"

namespace slotkit::games {

namespace {

std::string JoinedTitle(games::ByteSpan banner, games::DsLanguage language) {
    std::string joined;
    if (const auto lines = games::ReadDsBannerTitle(banner, language)) {
        for (const std::string& line : *lines) {
            if (!joined.empty()) {
                joined += " / ";
            }
            joined += line;
        }
    }
    return joined;
}

}  // namespace

std::string RomInfo::Title(games::DsLanguage language) const {
    std::string title = banner.empty() ? bannerTitle : JoinedTitle(banner, language);
    return title.empty() ? headerTitle : title;
}

std::optional<std::vector<std::uint8_t>> RomInfo::IconRgba() const {
    return games::ReadDsBannerIcon(banner);
}

namespace {

void ReadDs(const platform::FileReader& file, BannerKept kept, RomInfo& info) {
    std::array<std::uint8_t, games::kDsHeaderSize> header;
    std::size_t got = 0;
    if (file.ReadAt(0, header, got)) {
        return;
    }
    info.readable = true;
    // The size is not asked for: the banner's bytes, read anyway, tell whether it is there.
    const games::DsHeader ds = games::ReadDsHeader(std::span(header).first(got), std::nullopt);
    if (ds.cut || !ds.crcMatches) {
        return;
    }
    info.code = ds.gameCode;
    info.headerTitle = ds.title;
    if (!ds.bannerOffset) {
        return;
    }
    if (kept == BannerKept::EnglishTitle) {
        std::array<std::uint8_t, games::kDsBannerShownSize> banner;
        if (!file.ReadAt(*ds.bannerOffset, banner, got) && got >= games::kDsBannerMinSize) {
            info.bannerTitle =
                JoinedTitle(std::span(banner).first(got), games::DsLanguage::English);
        }
        return;
    }
    if (file.ReadAt(*ds.bannerOffset, games::kDsBannerShownSize, info.banner) ||
        info.banner.size() < games::kDsBannerMinSize) {
        info.banner.clear();
    }
}

void ReadGba(const platform::FileReader& file, bool stamped, RomInfo& info) {
    std::array<std::uint8_t, games::kGbaHeaderSize> bytes;
    std::size_t got = 0;
    if (file.ReadAt(0, bytes, got)) {
        return;
    }
    info.readable = true;
    const auto header = std::span<const std::uint8_t>(bytes).first(got);
    if (stamped) {
        const auto size = file.Size();
        const auto time = file.LastWrite();
        if (size && time) {
            info.stamp = MakeRomStamp(*size, time->year, time->month, time->day, time->hour,
                                      time->minute, time->second, header);
        }
    }
    const games::GbaHeader gba = games::ReadGbaHeader(header);
    if (gba.cut || !gba.fixedByteOk || !gba.complementOk) {
        return;
    }
    info.code = gba.gameCode;
    info.headerTitle = gba.title;
}

}  // namespace

RomInfo ReadRomInfo(const platform::OpenFolder& folder, const char* name, slots::EditMode kind,
                    bool stamped, BannerKept kept) {
    RomInfo info;
    platform::FileReader file;
    if (file.OpenListed(folder, name)) {
        return info;
    }
    if (kind == slots::EditMode::Nds) {
        ReadDs(file, kept, info);
    } else {
        ReadGba(file, stamped, info);
    }
    return info;
}

}  // namespace slotkit::games
