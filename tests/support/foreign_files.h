// Builds the save files of emulators and devices byte by byte, written from their layouts and
// independent of the program's readers, for the tests and the benchmarks.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace slotkit::files {

using Bytes = std::vector<std::uint8_t>;

inline void Put32(Bytes& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}
inline void PutText(Bytes& out, std::string_view text) {
    out.insert(out.end(), text.begin(), text.end());
}
inline void PutAt(Bytes& out, std::size_t at, std::string_view text) {
    std::copy(text.begin(), text.end(), out.begin() + static_cast<std::ptrdiff_t>(at));
}
inline void Put32At(Bytes& out, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}
inline Bytes Joined(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The 0x4C or 0x50 bytes of a no$gba header.
inline Bytes NocashHeader(std::uint32_t method, std::size_t size) {
    Bytes out(0x40, 0xFF);
    PutAt(out, 0, "NocashGbaBackupMediaSavDataFile\x1A");
    PutText(out, "SRAM");
    Put32(out, method);
    Put32(out, static_cast<std::uint32_t>(size));
    return out;
}

inline Bytes NocashStored(const Bytes& save) {
    return Joined(NocashHeader(0, save.size()), save);
}

// no$gba's run-length coding: runs of 3 or more as 0x81-0xFF or 0x80 with a u16 count,
// everything else in literal blocks of up to 127 bytes, 0x00 at the end.
inline Bytes NocashCode(const Bytes& save) {
    Bytes coded;
    std::size_t i = 0;
    std::size_t literalStart = 0;
    auto flushLiterals = [&](std::size_t end) {
        while (literalStart < end) {
            const std::size_t n = std::min<std::size_t>(127, end - literalStart);
            coded.push_back(static_cast<std::uint8_t>(n));
            coded.insert(coded.end(), save.begin() + static_cast<std::ptrdiff_t>(literalStart),
                         save.begin() + static_cast<std::ptrdiff_t>(literalStart + n));
            literalStart += n;
        }
    };
    while (i < save.size()) {
        std::size_t run = 1;
        while (i + run < save.size() && save[i + run] == save[i] && run < 0xFFFF) {
            ++run;
        }
        if (run < 3) {
            i += run;
            continue;
        }
        flushLiterals(i);
        if (run <= 0x7F) {
            coded.push_back(static_cast<std::uint8_t>(0x80 + run));
            coded.push_back(save[i]);
        } else {
            coded.insert(coded.end(), {0x80, save[i], static_cast<std::uint8_t>(run),
                                       static_cast<std::uint8_t>(run >> 8)});
        }
        i += run;
        literalStart = i;
    }
    flushLiterals(save.size());
    coded.push_back(0x00);
    return coded;
}

inline Bytes NocashCompressed(const Bytes& save) {
    const Bytes coded = NocashCode(save);
    Bytes out = NocashHeader(1, coded.size());
    Put32(out, static_cast<std::uint32_t>(save.size()));
    return Joined(out, coded);
}

// A DeSmuME save: the save, then the 122-byte footer.
inline Bytes Desmume(const Bytes& save, std::uint32_t version = 0) {
    Bytes out = save;
    PutText(out,
            "|<--Snip above here to create a raw sav by excluding this DeSmuME savedata footer:");
    const auto size = static_cast<std::uint32_t>(save.size());
    for (std::uint32_t field : {size, size, 2u, 2u, size, version}) {
        Put32(out, field);
    }
    PutText(out, "|-DESMUME SAVE-|");
    return out;
}

// The 500-byte Action Replay header with a game name at 0x158.
inline Bytes ArdsFile(const Bytes& save, std::string_view game) {
    Bytes out(500, 0x20);
    PutAt(out, 0, "ARDS000000000001");
    PutAt(out, 0x158, game);
    return Joined(out, save);
}

// The 164-byte header of the newer Action Replay: the save length in bytes 0xA1 and 0xA2.
inline Bytes Ar164File(const Bytes& save, std::string_view game) {
    Bytes out(0xA4, 0x00);
    PutAt(out, 0x04, game);
    out[0xA1] = static_cast<std::uint8_t>(save.size() >> 8);
    out[0xA2] = static_cast<std::uint8_t>(save.size() >> 16);
    out[0xA3] = 0xC0;
    return Joined(out, save);
}

inline std::uint32_t SharkPortSum(const Bytes& bytes) {
    std::uint32_t sum = 0;
    for (std::uint8_t b : bytes) {
        const auto value = static_cast<std::int32_t>(static_cast<std::int8_t>(b));
        sum += static_cast<std::uint32_t>(value) << (sum % 24);
    }
    return sum;
}

// A SharkPort save; `stored` is the save as the file holds it (EEPROM words big-endian).
inline Bytes SharkPort(const Bytes& stored, std::string_view title, std::string_view code,
                       bool goodChecksum = true) {
    Bytes out;
    Put32(out, 13);
    PutText(out, "SharkPortSave");
    Put32(out, 0x000F0000);
    for (std::string_view text :
         {std::string_view("My game"), std::string_view("2024-06-01"), std::string_view("notes")}) {
        Put32(out, static_cast<std::uint32_t>(text.size()));
        PutText(out, text);
    }
    Put32(out, static_cast<std::uint32_t>(0x1C + stored.size()));
    Bytes block(0x1C, 0);
    PutAt(block, 0, title.substr(0, 12));
    PutAt(block, 12, code.substr(0, 4));
    block.insert(block.end(), stored.begin(), stored.end());
    out.insert(out.end(), block.begin(), block.end());
    Put32(out, SharkPortSum(block) + (goodChecksum ? 0 : 1));
    return out;
}

// A GameShark SP save of `type` (0: the length follows from the file).
inline Bytes GameSharkSp(const Bytes& stored, std::uint32_t type, std::string_view game) {
    Bytes out(0x430, 0);
    PutAt(out, 0, "ADVSAVEG");
    PutAt(out, 0x0C, game.substr(0, 12));
    Put32At(out, 0x1C, type);
    PutAt(out, 0x42C, "xV4\x12");
    return Joined(out, stored);
}

inline Bytes Savestate(std::size_t size) {
    Bytes out(size, 0x33);
    PutAt(out, 0, std::string_view("DeSmuME SState\0", 15));
    return out;
}

// The save with the bytes of every 8-byte word reversed.
inline Bytes WordsReversed(Bytes save) {
    for (std::size_t at = 0; at + 8 <= save.size(); at += 8) {
        std::reverse(save.begin() + static_cast<std::ptrdiff_t>(at),
                     save.begin() + static_cast<std::ptrdiff_t>(at + 8));
    }
    return save;
}

}  // namespace slotkit::files
