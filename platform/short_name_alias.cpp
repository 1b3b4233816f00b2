#include "platform/short_name_alias.h"

#include <algorithm>

#include "base/ascii.h"

namespace slotkit::platform {

namespace {

bool IsShortNameChar(unsigned char c) {
    constexpr std::string_view kSpecial = "$%'-_@~`!(){}^#&";
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           kSpecial.find(static_cast<char>(c)) != std::string_view::npos;
}

// Appends the short name characters for `part`, at most `limit` of them: spaces and dots are
// dropped, a character not allowed in a short name becomes '_', and so does each non-ASCII
// character (one '_' per UTF-8 sequence).
void AppendShortChars(std::string_view part, std::size_t limit, std::string& out) {
    std::size_t taken = 0;
    for (std::size_t i = 0; i < part.size() && taken < limit; ++i) {
        const auto c = static_cast<unsigned char>(part[i]);
        if (c == ' ' || c == '.') {
            continue;
        }
        if (c >= 0x80) {
            // Skip the continuation bytes of this sequence.
            while (i + 1 < part.size() &&
                   (static_cast<unsigned char>(part[i + 1]) & 0xC0) == 0x80) {
                ++i;
            }
            out += '_';
        } else if (!IsShortNameChar(c)) {
            out += '_';
        } else {
            out += base::AsciiUpper(static_cast<char>(c));
        }
        ++taken;
    }
}

}  // namespace

bool IsValidShortName(std::string_view name) {
    const auto dot = name.find('.');
    const std::string_view base = name.substr(0, dot);
    const std::string_view extension =
        dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
    if (base.empty() || base.size() > 8 || extension.size() > 3) {
        return false;
    }
    if (dot != std::string_view::npos && extension.empty()) {
        return false;  // a trailing dot
    }
    auto valid = [](char c) { return IsShortNameChar(static_cast<unsigned char>(c)); };
    return std::all_of(base.begin(), base.end(), valid) &&
           std::all_of(extension.begin(), extension.end(), valid);
}

std::optional<std::string> GeneratedShortName(std::string_view name) {
    // Leading dots and spaces never start a short name.
    const auto start = name.find_first_not_of(". ");
    if (start == std::string_view::npos) {
        return std::nullopt;
    }
    name.remove_prefix(start);
    const auto lastDot = name.rfind('.');
    const std::string_view base = name.substr(0, lastDot);
    const std::string_view extension =
        lastDot == std::string_view::npos ? std::string_view() : name.substr(lastDot + 1);

    std::string shortName;
    AppendShortChars(base, 6, shortName);
    if (shortName.empty()) {
        return std::nullopt;
    }
    shortName += "~1";
    std::string shortExtension;
    AppendShortChars(extension, 3, shortExtension);
    if (!shortExtension.empty()) {
        shortName += '.' + shortExtension;
    }
    return shortName;
}

std::optional<std::string> ShortNameFor(std::string_view name) {
    if (IsValidShortName(name)) {
        return std::string(name);
    }
    return GeneratedShortName(name);
}

}  // namespace slotkit::platform
