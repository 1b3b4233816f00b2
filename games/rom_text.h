// Text fields of ROM headers and banners may hold any bytes; these turn them into UTF-8 that is
// safe to show and to print in a tab-separated line.
#pragma once

#include <string>

#include "games/rom_bytes.h"

namespace slotkit::games {

// A fixed-size ASCII field: up to its first zero byte, trailing blanks dropped. Printable ASCII
// is kept; every other byte (controls, tabs, bytes from 0x80 up) becomes U+FFFD.
std::string AsciiText(ByteSpan field);

// A UTF-16LE field of `field.size() / 2` units: up to its first zero unit. Surrogate pairs are
// joined; a lone surrogate, a non-character and every control character but the line feed become
// U+FFFD; carriage returns are dropped.
std::string Utf16Text(ByteSpan field);

}  // namespace slotkit::games
