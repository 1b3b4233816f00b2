#include "history/intent_record.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "history/history_format.h"

namespace slotkit::history {

namespace {

constexpr std::string_view kFirstLine = "slotkit unfinished write 1";
// A header is a few short lines; a record without a line break that soon is no record.
constexpr std::size_t kMaxHeader = 4096;

// A slot name on one line: line breaks, other control bytes and '%' become "%XX".
std::string Escaped(std::string_view text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f || c == '%') {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", byte);
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

std::optional<std::string> Unescaped(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) {
            return std::nullopt;
        }
        const int high = HexDigit(text[i + 1]);
        const int low = HexDigit(text[i + 2]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

std::optional<std::uint64_t> ParseNumber(std::string_view text) {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

// 16 lower-case hex digits, as HashText writes them.
std::optional<std::uint64_t> ParseHash(std::string_view text) {
    if (text.size() != 16) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (const char c : text) {
        const int digit = HexDigit(c);
        if (digit < 0 || (c >= 'A' && c <= 'F')) {
            return std::nullopt;
        }
        value = value << 4 | static_cast<std::uint64_t>(digit);
    }
    return value;
}

std::span<const std::uint8_t> AsBytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

}  // namespace

std::vector<std::uint8_t> IntentRecord(const Intent& intent,
                                       std::span<const std::uint8_t> newBytes) {
    std::string header = std::string(kFirstLine) + "\n";
    header += "card: " + Escaped(intent.card) + "\n";
    header += "mode: " + Escaped(intent.mode) + "\n";
    header += "slot: " + Escaped(intent.slotFileName) + "\n";
    header += "size: " + std::to_string(newBytes.size()) + "\n";
    header += "old: " + base::HashText(intent.oldHash) + "\n";
    header += "new: " + base::HashText(base::ContentHash(newBytes)) + "\n";
    header += "check: " + base::HashText(base::ContentHash(AsBytes(header))) + "\n";
    std::vector<std::uint8_t> record(header.begin(), header.end());
    record.insert(record.end(), newBytes.begin(), newBytes.end());
    return record;
}

std::optional<ReadIntent> ParseIntentRecord(std::span<const std::uint8_t> record,
                                            std::string& why) {
    const std::string_view text(reinterpret_cast<const char*>(record.data()),
                                std::min(record.size(), kMaxHeader));
    static constexpr std::string_view kKeys[] = {"card", "mode", "slot", "size",
                                                 "old",  "new",  "check"};
    std::string_view values[std::size(kKeys)];
    std::size_t at = 0;
    std::size_t checked = 0;  // the header's length up to the check line
    auto nextLine = [&](std::string_view& line) {
        const auto end = text.find('\n', at);
        if (end == std::string_view::npos) {
            return false;
        }
        line = text.substr(at, end - at);
        at = end + 1;
        return true;
    };
    std::string_view line;
    if (!nextLine(line) || line != kFirstLine) {
        why = record.empty() ? "the record is empty" : "it is not an intent record of slotkit";
        return std::nullopt;
    }
    for (std::size_t k = 0; k < std::size(kKeys); ++k) {
        if (k + 1 == std::size(kKeys)) {
            checked = at;
        }
        const std::string prefix = std::string(kKeys[k]) + ": ";
        if (!nextLine(line)) {
            why = "its header is cut short";
            return std::nullopt;
        }
        if (line.substr(0, prefix.size()) != prefix) {
            why = "its header has no \"" + std::string(kKeys[k]) + "\" line where it should";
            return std::nullopt;
        }
        values[k] = line.substr(prefix.size());
    }
    const auto check = ParseHash(values[6]);
    if (!check || *check != base::ContentHash(record.first(checked))) {
        why = "its header does not match its checksum";
        return std::nullopt;
    }
    ReadIntent read;
    const auto card = Unescaped(values[0]);
    const auto mode = Unescaped(values[1]);
    const auto slot = Unescaped(values[2]);
    const auto size = ParseNumber(values[3]);
    const auto oldHash = ParseHash(values[4]);
    const auto newHash = ParseHash(values[5]);
    if (!card || !mode || !slot || slot->empty() || !size || !oldHash || !newHash) {
        why = "a field of its header cannot be read";
        return std::nullopt;
    }
    read.intent = {*card, *mode, *slot, *size, *oldHash, *newHash};
    read.newBytes = record.subspan(at);
    if (read.newBytes.size() != *size) {
        why = read.newBytes.size() < *size ? "its new bytes are cut short"
                                           : "it holds more bytes than its header says";
        return std::nullopt;
    }
    if (base::ContentHash(read.newBytes) != *newHash) {
        why = "its new bytes do not match their hash";
        return std::nullopt;
    }
    return read;
}

std::string IntentFileName(std::string_view slotFileName) {
    return SafeFolderName(slotFileName) + std::string(kIntentSuffix);
}

}  // namespace slotkit::history
