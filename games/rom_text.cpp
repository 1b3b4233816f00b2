#include "games/rom_text.h"

#include <cstdint>
#include <string_view>

namespace slotkit::games {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

void AppendUtf8(std::uint32_t cp, std::string& out) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | cp >> 6);
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | cp >> 12);
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | cp >> 18);
        out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool IsShowable(std::uint32_t cp) {
    if (cp == '\n') {
        return true;
    }
    if (cp < 0x20 || (cp >= 0x7F && cp < 0xA0)) {
        return false;
    }
    return !(cp >= 0xFDD0 && cp <= 0xFDEF) && (cp & 0xFFFE) != 0xFFFE;
}

}  // namespace

std::string AsciiText(ByteSpan field) {
    std::size_t end = 0;
    while (end < field.size() && field[end] != 0) {
        ++end;
    }
    while (end > 0 && field[end - 1] == ' ') {
        --end;
    }
    std::string out;
    out.reserve(end);
    for (std::size_t i = 0; i < end; ++i) {
        const std::uint8_t c = field[i];
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            out += kReplacement;
        }
    }
    return out;
}

std::string Utf16Text(ByteSpan field) {
    const std::size_t units = field.size() / 2;
    auto unit = [&](std::size_t i) { return base::ReadU16Le(field, 2 * i); };
    std::string out;
    out.reserve(units);
    for (std::size_t i = 0; i < units && unit(i) != 0; ++i) {
        std::uint32_t cp = unit(i);
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < units && unit(i + 1) >= 0xDC00 &&
            unit(i + 1) <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (unit(i + 1) - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            out += kReplacement;
            continue;
        }
        if (cp >= 0x20 && cp < 0x7F) {
            out.push_back(static_cast<char>(cp));  // most titles: ASCII
            continue;
        }
        if (cp == '\r') {
            continue;
        }
        if (IsShowable(cp)) {
            AppendUtf8(cp, out);
        } else {
            out += kReplacement;
        }
    }
    return out;
}

}  // namespace slotkit::games
