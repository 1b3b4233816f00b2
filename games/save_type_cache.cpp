#include "games/save_type_cache.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "history/history_format.h"

namespace slotkit::games {

namespace {

using games::GbaSaveKind;

constexpr std::string_view kFirstLine =
    "# slotkit: GBA save types read from ROMs. size, last write, header hash, kind, ID offset, "
    "flags, ID";
constexpr std::size_t kLongestId = 16;

struct KindName {
    GbaSaveKind kind;
    std::string_view name;
    std::uint32_t size;
};
constexpr KindName kKinds[] = {
    {GbaSaveKind::None, "none", 0},
    {GbaSaveKind::Eeprom, "eeprom", 0},
    {GbaSaveKind::Sram, "sram", 32768},
    {GbaSaveKind::Flash64K, "flash64k", 65536},
    {GbaSaveKind::Flash128K, "flash128k", 131072},
};

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t at = 0;
    while (at < line.size()) {
        const std::size_t end = std::min(line.find(' ', at), line.size());
        if (end > at) {
            fields.push_back(line.substr(at, end - at));
        }
        at = end + 1;
    }
    return fields;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::optional<std::uint64_t> Number(std::string_view text, int base = 10) {
    std::uint64_t value = 0;
    if (text.empty() || text.size() > 20) {
        return std::nullopt;
    }
    for (const char c : text) {
        const bool hex = (c >= 'a' && c <= 'f');
        if (!IsDigit(c) && !(base == 16 && hex)) {
            return std::nullopt;
        }
    }
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// "2024-05-01T12:34:56", every digit in its place.
bool IsTimeText(std::string_view text) {
    constexpr std::string_view pattern = "0000-00-00T00:00:00";
    if (text.size() != pattern.size()) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (pattern[i] == '0' ? !IsDigit(text[i]) : text[i] != pattern[i]) {
            return false;
        }
    }
    return true;
}

bool IsIdText(std::string_view text) {
    return !text.empty() && text.size() <= kLongestId &&
           std::all_of(text.begin(), text.end(),
                       [](char c) { return IsDigit(c) || (c >= 'A' && c <= 'Z') || c == '_'; });
}

std::optional<RememberedSaveType> ParseLine(std::string_view line) {
    const std::vector<std::string_view> fields = Fields(line);
    if (fields.size() < 6 || fields.size() > 7) {
        return std::nullopt;
    }
    RememberedSaveType entry;
    const auto size = Number(fields[0]);
    const auto hash = fields[2].size() == 16 ? Number(fields[2], 16) : std::nullopt;
    const auto offset = Number(fields[4]);
    if (!size || !IsTimeText(fields[1]) || !hash || !offset) {
        return std::nullopt;
    }
    entry.rom = {*size, std::string(fields[1]), *hash};
    const auto kind = std::find_if(std::begin(kKinds), std::end(kKinds),
                                   [&](const KindName& k) { return k.name == fields[3]; });
    if (kind == std::end(kKinds)) {
        return std::nullopt;
    }
    entry.type.kind = kind->kind;
    entry.type.size = kind->size;
    entry.type.offset = *offset;
    const std::string_view flags = fields[5];
    if (flags != "-") {
        if (flags.size() > 2 ||
            !std::all_of(flags.begin(), flags.end(), [](char c) { return c == 'c' || c == 'x'; })) {
            return std::nullopt;
        }
        entry.type.hasClock = flags.find('c') != std::string_view::npos;
        entry.type.conflicting = flags.find('x') != std::string_view::npos;
    }
    // A save kind is found by its ID; no save has none.
    const bool hasId = fields.size() == 7;
    if (hasId != (kind->kind != GbaSaveKind::None) || (hasId && !IsIdText(fields[6]))) {
        return std::nullopt;
    }
    if (hasId) {
        entry.type.libraryId = std::string(fields[6]);
    }
    return entry;
}

}  // namespace

RomStamp MakeRomStamp(std::uint64_t size, int year, int month, int day, int hour, int minute,
                      int second, std::span<const std::uint8_t> header) {
    char time[48];
    std::snprintf(time, sizeof time, "%04d-%02d-%02dT%02d:%02d:%02d", year, month, day, hour,
                  minute, second);
    std::string text = time;
    if (!IsTimeText(text)) {
        text = "0000-00-00T00:00:00";  // a year past 9999 or a negative field: never matches
    }
    return {size, text,
            base::ContentHash(header.first(std::min<std::size_t>(header.size(), 0xC0)))};
}

std::vector<RememberedSaveType> ParseSaveTypeCache(std::string_view text) {
    std::vector<RememberedSaveType> entries;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        std::string_view line = text.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.empty() || line.front() == '#') {
            continue;
        }
        if (auto entry = ParseLine(line)) {
            Remember(entries, std::move(*entry));
        }
    }
    return entries;
}

std::string FormatSaveTypeCache(std::span<const RememberedSaveType> entries) {
    std::string text(kFirstLine);
    text += '\n';
    for (const RememberedSaveType& entry : entries) {
        const auto kind =
            std::find_if(std::begin(kKinds), std::end(kKinds),
                         [&](const KindName& k) { return k.kind == entry.type.kind; });
        if (kind == std::end(kKinds) || !IsTimeText(entry.rom.lastWrite) ||
            (kind->kind != GbaSaveKind::None && !IsIdText(entry.type.libraryId))) {
            continue;
        }
        std::string flags;
        flags += entry.type.hasClock ? "c" : "";
        flags += entry.type.conflicting ? "x" : "";
        text += std::to_string(entry.rom.size) + ' ' + entry.rom.lastWrite + ' ' +
                base::HashText(entry.rom.headerHash) + ' ' + std::string(kind->name) + ' ' +
                std::to_string(entry.type.offset) + ' ' + (flags.empty() ? "-" : flags);
        if (kind->kind != GbaSaveKind::None) {
            text += ' ' + entry.type.libraryId;
        }
        text += '\n';
    }
    return text;
}

std::optional<games::GbaSaveType> FindRemembered(std::span<const RememberedSaveType> entries,
                                                 const RomStamp& rom) {
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        if (it->rom == rom) {
            return it->type;
        }
    }
    return std::nullopt;
}

void Remember(std::vector<RememberedSaveType>& entries, RememberedSaveType entry) {
    std::erase_if(entries, [&](const RememberedSaveType& e) { return e.rom == entry.rom; });
    entries.push_back(std::move(entry));
    if (entries.size() > kSaveTypeCacheEntries) {
        entries.erase(entries.begin(), entries.end() - kSaveTypeCacheEntries);
    }
}

}  // namespace slotkit::games
