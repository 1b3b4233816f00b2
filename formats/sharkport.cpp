#include "formats/sharkport.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/little_endian.h"
#include "formats/save_sizes.h"

namespace slotkit::formats {

namespace {

constexpr std::string_view kMagic = "SharkPortSave";
constexpr std::size_t kMagicAt = 4;  // after its length
constexpr std::uint32_t kKnownFormat = 0x000F0000;
constexpr int kTextCount = 3;  // title, date, notes
constexpr std::size_t kFieldSize = 4;
// The ROM header's copy at the start of the block.
constexpr std::size_t kRomHeaderSize = 0x1C;
constexpr std::size_t kRomTitleAt = 0;
constexpr std::size_t kRomTitleSize = 12;
constexpr std::size_t kRomCodeAt = 12;
constexpr std::size_t kRomCodeSize = 4;

constexpr std::uint32_t SignedByte(std::uint8_t byte) {
    return static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<std::int8_t>(byte)));
}

// The checksum adds each byte shifted by the sum so far modulo 24, so every step waits for the
// one before it and a division by 24 in each would set the pace. The next shift follows from
// the current one, the byte and whether the 32-bit addition carried (2^32 is 16 modulo 24):
// (shift + (value << shift) % 24 + 8 * carried) % 24. A negative byte nearly always carries and
// a positive one nearly never does, so this table holds the next shift for that case, and the
// division is left for the rare step that goes the other way.
constexpr std::array<std::uint8_t, 256 * 24> kNextShift = [] {
    std::array<std::uint8_t, 256 * 24> next{};
    for (std::uint32_t byte = 0; byte < 256; ++byte) {
        for (std::uint32_t shift = 0; shift < 24; ++shift) {
            const std::uint32_t added = SignedByte(static_cast<std::uint8_t>(byte)) << shift;
            next[byte * 24 + shift] =
                static_cast<std::uint8_t>((shift + added % 24 + (byte >= 0x80 ? 8 : 0)) % 24);
        }
    }
    return next;
}();

std::uint32_t Checksum(ByteSpan bytes) {
    std::uint32_t sum = 0;
    std::uint32_t shift = 0;  // sum % 24
    for (const std::uint8_t byte : bytes) {
        const std::uint32_t next = sum + (SignedByte(byte) << shift);
        if ((next < sum) == (byte >= 0x80)) [[likely]] {
            shift = kNextShift[byte * 24 + shift];
        } else {
            shift = next % 24;
        }
        sum = next;
    }
    return sum;
}

}  // namespace

FoundSave ReadSharkPort(ByteSpan file) {
    if (!(file.size() >= kMagicAt + kMagic.size() && base::ReadU32Le(file, 0) == kMagic.size() &&
          HasAt(file, kMagicAt, kMagic))) {
        return {};
    }
    const std::string what = "SharkPort save";
    const FoundSave cut = Refused(what, "the file ends before the save data its header names");
    std::size_t at = kMagicAt + kMagic.size();
    if (file.size() - at < kFieldSize || base::ReadU32Le(file, at) != kKnownFormat) {
        return Refused(what, "its header is not one this program knows");
    }
    at += kFieldSize;
    for (int text = 0; text < kTextCount; ++text) {
        if (file.size() - at < kFieldSize) {
            return cut;
        }
        const std::uint32_t length = base::ReadU32Le(file, at);
        at += kFieldSize;
        if (length > file.size() - at) {
            return cut;
        }
        at += length;
    }
    if (file.size() - at < kFieldSize) {
        return cut;
    }
    const std::uint32_t block = base::ReadU32Le(file, at);  // the ROM header and the save
    at += kFieldSize;
    if (block < kRomHeaderSize) {
        return Refused(what, "its header names a save block too short for its own header");
    }
    if (block > file.size() - at || file.size() - at - block < kFieldSize) {
        return cut;
    }
    const std::size_t saveSize = block - kRomHeaderSize;
    FoundSave found = Found(what, at + kRomHeaderSize, saveSize);
    const std::string title = AsciiName(file, at + kRomTitleAt, kRomTitleSize);
    const std::string code = AsciiName(file, at + kRomCodeAt, kRomCodeSize);
    found.game = code.empty() ? title : title.empty() ? code : title + " (" + code + ")";
    found.gameTitle = title;
    found.gameCode = code;
    if (Checksum(file.subspan(at, block)) != base::ReadU32Le(file, at + block)) {
        found.remark =
            "The checksum of this file does not match its data: the file may be "
            "damaged.";
    }
    if (IsEepromSize(saveSize)) {
        found.owned.emplace(file.begin() + static_cast<std::ptrdiff_t>(found.offset),
                            file.begin() + static_cast<std::ptrdiff_t>(found.offset + saveSize));
        ReverseEepromWords(*found.owned);
    }
    return found;
}

}  // namespace slotkit::formats
