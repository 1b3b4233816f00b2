// What the fuzz targets of the ROM readers check, shared with the test that runs their seed
// corpora. Every text a reader gives must be UTF-8 without control characters (it reaches
// tab-separated lines and the window as it is), every offset it gives must lie inside the file,
// and the save-type scan must find the same in any chunking as the plain scan of the whole ROM.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "games/ds_banner.h"
#include "games/ds_header.h"
#include "games/gba_header.h"
#include "games/gba_save_type.h"

namespace slotkit::fuzz {

enum class GamesTarget { DsHeader, DsBanner, GbaHeader, GbaSaveType };

inline constexpr std::string_view kGamesTargetNames[] = {"ds_header", "ds_banner", "gba_header",
                                                         "gba_save_type"};

// The problem with a text a reader gave, or empty.
inline std::string TextProblem(std::string_view text, std::string_view what) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<std::uint8_t>(text[i]);
        std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        if (lead < 0x20 || lead == 0x7F || (lead >= 0x80 && lead < 0xC2) || lead > 0xF4 ||
            i + length > text.size()) {
            return std::string(what) + ": not UTF-8 text without controls";
        }
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<std::uint8_t>(text[i + k]) & 0xC0) != 0x80) {
                return std::string(what) + ": a broken UTF-8 sequence";
            }
        }
        i += length;
    }
    return "";
}

inline std::string CheckBanner(const games::DsBanner& banner, std::size_t size) {
    if (banner.cut != (size < games::kDsBannerMinSize)) {
        return "a banner cut, or not, against its size";
    }
    if (banner.iconRgba) {
        if (banner.iconRgba->size() != 32 * 32 * 4) {
            return "an icon of the wrong size";
        }
        for (std::size_t i = 0; i < banner.iconRgba->size(); i += 4) {
            const auto* pixel = banner.iconRgba->data() + i;
            if (pixel[3] == 0 && (pixel[0] | pixel[1] | pixel[2]) != 0) {
                return "a transparent pixel with a colour";
            }
        }
    }
    if (!banner.crcs[0].Passes() && (banner.iconRgba || banner.Title(games::DsLanguage::English))) {
        return "a part offered behind a failed CRC";
    }
    if (banner.titles[6] && !banner.crcs[1].Passes()) {
        return "a Chinese title behind a failed CRC";
    }
    if (banner.titles[7] && !banner.crcs[2].Passes()) {
        return "a Korean title behind a failed CRC";
    }
    for (const auto& title : banner.titles) {
        if (title && (title->empty() || title->size() > 3)) {
            return "a title of no line or more than three";
        }
        for (const std::string& line : title ? *title : std::vector<std::string>{}) {
            if (std::string problem = TextProblem(line, "a title line"); !problem.empty()) {
                return problem;
            }
        }
    }
    return "";
}

// The parts a listing reads one at a time must be what the whole banner's reading gives, in
// every language.
inline std::string CheckBannerParts(games::ByteSpan bytes, const games::DsBanner& whole) {
    if (games::ReadDsBannerIcon(bytes) != whole.iconRgba) {
        return "the icon read alone differs";
    }
    for (std::size_t language = 0; language < games::kDsLanguageCount; ++language) {
        const auto preferred = static_cast<games::DsLanguage>(language);
        const auto* title = whole.Title(preferred);
        if (games::ReadDsBannerTitle(bytes, preferred) !=
            (title ? std::optional(*title) : std::nullopt)) {
            return "a title read alone differs";
        }
    }
    return "";
}

inline std::string CheckWholeBanner(games::ByteSpan bytes) {
    const games::DsBanner banner = games::ReadDsBanner(bytes);
    if (std::string problem = CheckBanner(banner, bytes.size()); !problem.empty()) {
        return problem;
    }
    return CheckBannerParts(bytes, banner);
}

// The plain scan of a whole ROM for its save library's IDs, to hold the streaming one against.
inline games::GbaSaveType PlainGbaSaveTypeScan(const std::uint8_t* rom, std::size_t size) {
    using K = games::GbaSaveKind;
    struct Id {
        std::string_view text;
        K kind;
        std::uint32_t size;
    };
    const Id ids[] = {{"EEPROM_V", K::Eeprom, 0},         {"SRAM_V", K::Sram, 32768},
                      {"SRAM_F_V", K::Sram, 32768},       {"FLASH_V", K::Flash64K, 65536},
                      {"FLASH512_V", K::Flash64K, 65536}, {"FLASH1M_V", K::Flash128K, 131072}};
    games::GbaSaveType result;
    std::set<K> kinds;
    for (std::size_t at = 0; at < size; at += 4) {
        auto is = [&](std::string_view text) {
            return size - at >= text.size() && std::memcmp(rom + at, text.data(), text.size()) == 0;
        };
        result.hasClock = result.hasClock || is("SIIRTC_V");
        for (const Id& id : ids) {
            if (!is(id.text)) {
                continue;
            }
            if (kinds.empty()) {
                result.kind = id.kind;
                result.size = id.size;
                result.offset = at;
                result.libraryId = std::string(id.text);
                for (std::size_t i = at + id.text.size();
                     i < size && i < at + id.text.size() + 3 && rom[i] >= '0' && rom[i] <= '9';
                     ++i) {
                    result.libraryId += static_cast<char>(rom[i]);
                }
            }
            kinds.insert(id.kind);
        }
    }
    result.conflicting = kinds.size() > 1;
    return result;
}

inline bool SameSaveType(const games::GbaSaveType& a, const games::GbaSaveType& b) {
    return a.kind == b.kind && a.size == b.size && a.libraryId == b.libraryId &&
           a.offset == b.offset && a.conflicting == b.conflicting && a.hasClock == b.hasClock;
}

inline std::string Run(GamesTarget target, const std::uint8_t* data, std::size_t size) {
    const games::ByteSpan file(data, size);
    switch (target) {
        case GamesTarget::DsHeader: {
            const games::DsHeader header = games::ReadDsHeader(file, size);
            if (header.cut != (size < games::kDsHeaderSize)) {
                return "a header cut, or not, against its size";
            }
            for (const std::string* text : {&header.title, &header.gameCode, &header.makerCode}) {
                if (std::string problem = TextProblem(*text, "a header field"); !problem.empty()) {
                    return problem;
                }
            }
            if (!header.bannerOffset) {
                return "";
            }
            const std::size_t at = *header.bannerOffset;
            if (at < 0x200 || at > size || size - at < games::kDsBannerMinSize) {
                return "a banner offset outside the file";
            }
            const std::size_t length = std::min(size - at, games::kDsBannerMaxSize);
            return CheckWholeBanner(file.subspan(at, length));
        }
        case GamesTarget::DsBanner:
            return CheckWholeBanner(file);
        case GamesTarget::GbaHeader: {
            const games::GbaHeader header = games::ReadGbaHeader(file);
            if (header.cut != (size < games::kGbaHeaderSize)) {
                return "a header cut, or not, against its size";
            }
            for (const std::string* text : {&header.title, &header.gameCode, &header.makerCode}) {
                if (std::string problem = TextProblem(*text, "a header field"); !problem.empty()) {
                    return problem;
                }
            }
            return "";
        }
        case GamesTarget::GbaSaveType: {
            // The first byte chooses the chunk sizes; the rest is the ROM.
            if (size == 0) {
                return "";
            }
            const std::size_t step = 1 + data[0] % 32;
            const games::GbaSaveType whole = games::ScanGbaSaveType(file.subspan(1));
            games::GbaSaveTypeScanner scanner;
            for (std::size_t at = 1, i = 0; at < size; ++i) {
                const std::size_t chunk = std::min(size - at, step + (i * 7) % 13);
                scanner.Feed(file.subspan(at, chunk));
                at += chunk;
            }
            if (!SameSaveType(scanner.Finish(), whole)) {
                return "the chunked scan differs from the whole one";
            }
            if (!SameSaveType(whole, PlainGbaSaveTypeScan(data + 1, size - 1))) {
                return "the scan differs from the plain one";
            }
            return TextProblem(whole.libraryId, "the library ID");
        }
    }
    return "";
}

}  // namespace slotkit::fuzz
