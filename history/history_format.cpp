#include "history/history_format.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <tuple>

#include "base/ascii.h"

namespace slotkit::history {

namespace {

auto TimeKey(const UtcTime& t) {
    return std::tie(t.year, t.month, t.day, t.hour, t.minute, t.second, t.millisecond);
}

bool ParseInt(std::string_view text, int& out) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

std::vector<std::string_view> SplitTabs(std::string_view line) {
    std::vector<std::string_view> fields;
    for (;;) {
        const auto tab = line.find('\t');
        fields.push_back(line.substr(0, tab));
        if (tab == std::string_view::npos) {
            return fields;
        }
        line.remove_prefix(tab + 1);
    }
}

// A field of the index holds no tab or line break.
std::string OneLine(std::string_view text) {
    std::string line(text);
    for (char& c : line) {
        if (c == '\t' || c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    return line;
}

}  // namespace

std::string UtcText(const UtcTime& t) {
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d UTC", t.year, t.month,
                  t.day, t.hour, t.minute, t.second, t.millisecond);
    return text;
}

std::optional<UtcTime> ParseUtcText(std::string_view text) {
    // "YYYY-MM-DD HH:MM:SS.mmm UTC"
    if (text.size() != 27 || text.substr(23) != " UTC") {
        return std::nullopt;
    }
    UtcTime t{};
    const struct {
        std::size_t at, length;
        int* field;
    } parts[] = {{0, 4, &t.year},    {5, 2, &t.month},   {8, 2, &t.day},         {11, 2, &t.hour},
                 {14, 2, &t.minute}, {17, 2, &t.second}, {20, 3, &t.millisecond}};
    for (const auto& part : parts) {
        if (!ParseInt(text.substr(part.at, part.length), *part.field)) {
            return std::nullopt;
        }
    }
    return t;
}

std::string VersionFileName(const UtcTime& t, std::string_view command, int attempt) {
    char stamp[40];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d_%02d-%02d-%02d.%03dZ_", t.year, t.month,
                  t.day, t.hour, t.minute, t.second, t.millisecond);
    std::string name = stamp + SafeFolderName(command);
    if (attempt > 0) {
        name += "-" + std::to_string(attempt + 1);
    }
    return name + ".DAT";
}

std::string IndexText(std::string_view slotFileName, const std::vector<KeptVersion>& versions) {
    std::string text = "# slotkit history of " + OneLine(slotFileName) +
                       ": the versions kept before a command replaced them, oldest first.\n"
                       "# version\tkept\tcommand\tsize\txxh64\tROM title\tfile\n";
    for (const KeptVersion& v : versions) {
        text += std::to_string(v.number) + '\t' + UtcText(v.kept) + '\t' + OneLine(v.command) +
                '\t' + std::to_string(v.size) + '\t' + OneLine(v.hash) + '\t' + OneLine(v.title) +
                '\t' + OneLine(v.file) + '\n';
    }
    return text;
}

std::vector<KeptVersion> ParseIndex(std::string_view text) {
    std::vector<KeptVersion> versions;
    while (!text.empty()) {
        const auto newline = text.find('\n');
        std::string_view line = text.substr(0, newline);
        text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const auto fields = SplitTabs(line);
        if (fields.size() != 7) {
            continue;
        }
        KeptVersion v;
        const auto kept = ParseUtcText(fields[1]);
        const auto [end, error] =
            std::from_chars(fields[3].data(), fields[3].data() + fields[3].size(), v.size);
        if (!ParseInt(fields[0], v.number) || !kept || error != std::errc() ||
            end != fields[3].data() + fields[3].size() || fields[6].empty() ||
            fields[6].find_first_of("/\\") != std::string_view::npos || fields[6] == "." ||
            fields[6] == "..") {
            continue;  // the file must be a plain name in the slot's own folder
        }
        v.kept = *kept;
        v.command = fields[2];
        v.hash = fields[4];
        v.title = fields[5];
        v.file = fields[6];
        versions.push_back(std::move(v));
    }
    return versions;
}

std::string SafeFolderName(std::string_view text) {
    constexpr std::size_t kLongest = 120;
    std::string name;
    for (unsigned char c : text) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
        if (plain) {
            name += static_cast<char>(c);
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", c);
            name += escaped;
        }
    }
    // "." and ".." name no folder of their own.
    if (name.empty() || name.find_first_not_of('.') == std::string::npos) {
        std::string dots;
        for (char c : name) {
            dots += c == '.' ? "%2E" : std::string(1, c);
        }
        name = "%" + dots;
    }
    if (name.size() > kLongest) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
        name = name.substr(0, kLongest - 17) + "~" + base::HashText(base::ContentHash({bytes, text.size()}));
    }
    return name;
}

std::string CardFolderName(const std::optional<std::string>& volumeId, std::string_view cardRoot) {
    if (volumeId && !volumeId->empty()) {
        return "volume-" + SafeFolderName(*volumeId);
    }
    while (cardRoot.size() > 1 && (cardRoot.back() == '/' || cardRoot.back() == '\\')) {
        cardRoot.remove_suffix(1);
    }
    return "folder-" + SafeFolderName(cardRoot);
}

std::vector<Removal> ChooseRemovals(const std::vector<SlotVersions>& slots, std::size_t maxPerSlot,
                                    std::uint64_t maxBytes) {
    std::vector<Removal> removals;
    std::vector<Removal> candidates;  // every version but a slot's newest, kept for now
    std::uint64_t total = 0;
    for (std::size_t s = 0; s < slots.size(); ++s) {
        const auto& versions = slots[s].versions;
        if (versions.empty()) {
            continue;
        }
        // The newest is the one kept last: the highest number.
        std::vector<std::size_t> order(versions.size());
        for (std::size_t i = 0; i < order.size(); ++i) {
            order[i] = i;
        }
        std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return versions[a].number < versions[b].number;
        });
        const std::size_t keep = std::max<std::size_t>(1, maxPerSlot);
        const std::size_t excess = order.size() > keep ? order.size() - keep : 0;
        for (std::size_t i = 0; i < order.size(); ++i) {
            if (i < excess) {
                removals.push_back({s, order[i]});
                continue;
            }
            total += versions[order[i]].size;
            if (i + 1 < order.size()) {
                candidates.push_back({s, order[i]});
            }
        }
    }
    if (total <= maxBytes) {
        return removals;
    }
    auto at = [&](const Removal& r) -> const KeptVersion& {
        return slots[r.slot].versions[r.version];
    };
    std::stable_sort(candidates.begin(), candidates.end(), [&](const Removal& a, const Removal& b) {
        return TimeKey(at(a).kept) < TimeKey(at(b).kept);
    });
    for (const Removal& r : candidates) {
        if (total <= maxBytes) {
            break;
        }
        total -= at(r).size;
        removals.push_back(r);
    }
    return removals;
}

bool SameSlotFile(std::string_view a, std::string_view b) {
    return base::EqualIgnoringAsciiCase(a, b);
}

}  // namespace slotkit::history
