#include "games/ds_banner.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "games/crc16.h"
#include "games/rom_text.h"

namespace slotkit::games {

namespace {

constexpr std::size_t kIconAt = 0x020;
constexpr std::size_t kPaletteAt = 0x220;
constexpr std::size_t kTitlesAt = 0x240;
constexpr std::size_t kTitleBytes = 0x100;

struct CrcRange {
    std::size_t storedAt;
    std::size_t from;
    std::size_t to;  // one past the last byte covered
};
constexpr CrcRange kCrcRanges[] = {
    {0x02, 0x0020, 0x0840}, {0x04, 0x0020, 0x0940}, {0x06, 0x0020, 0x0A40}, {0x08, 0x1240, 0x23C0}};

// How many of the four CRCs a version carries; unknown versions are read as version 1.
std::size_t CrcCountOf(std::uint16_t version) {
    switch (version) {
        case 0x0002:
            return 2;
        case 0x0003:
            return 3;
        case 0x0103:
            return 4;
        default:
            return 1;
    }
}

std::vector<std::uint8_t> DecodeIcon(ByteSpan banner) {
    std::array<std::array<std::uint8_t, 4>, 16> palette{};
    for (std::size_t i = 1; i < palette.size(); ++i) {
        const std::uint16_t bgr = base::ReadU16Le(banner, kPaletteAt + 2 * i);
        auto channel = [](unsigned five) {
            return static_cast<std::uint8_t>(five << 3 | five >> 2);
        };
        palette[i] = {channel(bgr & 0x1F), channel(bgr >> 5 & 0x1F), channel(bgr >> 10 & 0x1F),
                      0xFF};
    }
    // Tile by tile (4 x 4 tiles of 8 x 8 pixels, 32 bytes each), a byte holding two pixels,
    // the low nibble the left one: the icon's bytes are read in their order.
    std::vector<std::uint8_t> rgba(kDsIconSide * kDsIconSide * 4);
    const std::uint8_t* pixels = banner.data() + kIconAt;
    for (int tile = 0; tile < 16; ++tile) {
        const int left = (tile % 4) * 8;
        const int top = (tile / 4) * 8;
        for (int row = 0; row < 8; ++row) {
            std::uint8_t* out = rgba.data() + ((top + row) * kDsIconSide + left) * 4;
            for (int pair = 0; pair < 4; ++pair) {
                const std::uint8_t both = *pixels++;
                std::memcpy(out, palette[both & 0x0F].data(), 4);
                std::memcpy(out + 4, palette[both >> 4].data(), 4);
                out += 8;
            }
        }
    }
    return rgba;
}

// Up to three lines; a fourth line and beyond join the third, so that no text is lost.
std::optional<std::vector<std::string>> TitleLines(ByteSpan field) {
    std::string text = Utf16Text(field);
    std::vector<std::string> lines;
    lines.reserve(3);
    std::string_view rest = text;
    while (lines.size() < 2) {
        const std::size_t feed = rest.find('\n');
        if (feed == std::string_view::npos) {
            break;
        }
        lines.emplace_back(rest.substr(0, feed));
        rest.remove_prefix(feed + 1);
    }
    if (lines.empty()) {
        lines.push_back(std::move(text));  // one line: the text as it is
    } else {
        lines.emplace_back(rest);
    }
    std::replace(lines.back().begin(), lines.back().end(), '\n', ' ');
    while (!lines.empty() && lines.back().empty()) {
        lines.pop_back();
    }
    if (lines.empty()) {
        return std::nullopt;
    }
    return lines;
}

std::optional<std::vector<std::string>> TitleOf(ByteSpan banner, std::size_t language) {
    return TitleLines(banner.subspan(kTitlesAt + language * kTitleBytes, kTitleBytes));
}

// The CRC at `index`: present when the banner's version has it and the bytes it covers are in
// `banner`. Each one covers more than the one before, so where one is missing so are the later.
DsBannerCrc PartCrc(ByteSpan banner, std::size_t index) {
    DsBannerCrc crc;
    const CrcRange& range = kCrcRanges[index];
    if (banner.size() < kDsBannerMinSize || index >= CrcCountOf(base::ReadU16Le(banner, 0)) ||
        banner.size() < range.to) {
        return crc;
    }
    crc.present = true;
    crc.stored = base::ReadU16Le(banner, range.storedAt);
    crc.computed = Crc16(banner.subspan(range.from, range.to - range.from));
    return crc;
}

// How many languages, in DsLanguage order, a banner whose first CRC passes offers: six, seven
// with a Chinese title, eight with a Korean one too. Each CRC up to a part's own must pass.
std::size_t OfferedLanguages(ByteSpan banner) {
    if (!PartCrc(banner, 1).Passes()) {
        return 6;
    }
    return PartCrc(banner, 2).Passes() ? 8 : 7;
}

bool FirstPartPasses(ByteSpan banner) {
    return PartCrc(banner, 0).Passes();
}

}  // namespace

const std::vector<std::string>* DsBanner::Title(DsLanguage preferred) const {
    if (const auto& title = titles[static_cast<std::size_t>(preferred)]) {
        return &*title;
    }
    if (const auto& title = titles[static_cast<std::size_t>(DsLanguage::English)]) {
        return &*title;
    }
    for (const auto& title : titles) {
        if (title) {
            return &*title;
        }
    }
    return nullptr;
}

DsBanner ReadDsBanner(ByteSpan banner) {
    DsBanner result;
    if (banner.size() < kDsBannerMinSize) {
        result.cut = true;
        return result;
    }
    result.version = base::ReadU16Le(banner, 0);
    for (std::size_t i = 0; i < result.crcs.size(); ++i) {
        result.crcs[i] = PartCrc(banner, i);
    }
    result.animatedIconPasses = result.crcs[3].Passes();
    if (!result.crcs[0].Passes()) {
        return result;
    }
    result.iconRgba = DecodeIcon(banner);
    std::size_t languages = 6;
    if (result.crcs[1].Passes()) {
        languages = result.crcs[2].Passes() ? 8 : 7;
    }
    for (std::size_t language = 0; language < languages; ++language) {
        result.titles[language] = TitleOf(banner, language);
    }
    return result;
}

std::optional<std::vector<std::string>> ReadDsBannerTitle(ByteSpan banner, DsLanguage preferred) {
    if (!FirstPartPasses(banner)) {
        return std::nullopt;
    }
    // The Chinese and Korean titles lie behind CRCs of their own, checked only when reached.
    std::optional<std::size_t> offered;
    auto title = [&](std::size_t language) -> std::optional<std::vector<std::string>> {
        if (language >= 6) {
            if (!offered) {
                offered = OfferedLanguages(banner);
            }
            if (language >= *offered) {
                return std::nullopt;
            }
        }
        return TitleOf(banner, language);
    };
    const auto preferredAt = static_cast<std::size_t>(preferred);
    const auto englishAt = static_cast<std::size_t>(DsLanguage::English);
    if (auto found = title(preferredAt)) {
        return found;
    }
    if (preferredAt != englishAt) {
        if (auto found = title(englishAt)) {
            return found;
        }
    }
    for (std::size_t language = 0; language < kDsLanguageCount; ++language) {
        if (language != preferredAt && language != englishAt) {
            if (auto found = title(language)) {
                return found;
            }
        }
    }
    return std::nullopt;
}

std::optional<std::vector<std::uint8_t>> ReadDsBannerIcon(ByteSpan banner) {
    if (!FirstPartPasses(banner)) {
        return std::nullopt;
    }
    return DecodeIcon(banner);
}

}  // namespace slotkit::games
