#include "games/crc16.h"

#include <array>

namespace slotkit::games {

namespace {

// Eight tables: [0] the byte-at-a-time table, [k] the CRC of a byte followed by k zero bytes, so
// that eight bytes are taken in one step (a DS banner's CRCs cover up to 8 KiB).
using Tables = std::array<std::array<std::uint16_t, 256>, 8>;

constexpr Tables MakeTables() {
    Tables tables{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned crc = i;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
        }
        tables[0][i] = static_cast<std::uint16_t>(crc);
    }
    for (std::size_t k = 1; k < tables.size(); ++k) {
        for (unsigned i = 0; i < 256; ++i) {
            const std::uint16_t previous = tables[k - 1][i];
            tables[k][i] = static_cast<std::uint16_t>((previous >> 8) ^ tables[0][previous & 0xFF]);
        }
    }
    return tables;
}

constexpr Tables kTables = MakeTables();

}  // namespace

std::uint16_t Crc16(ByteSpan bytes) {
    unsigned crc = 0xFFFF;
    const std::uint8_t* at = bytes.data();
    std::size_t left = bytes.size();
    for (; left >= 8; left -= 8, at += 8) {
        crc ^= at[0] | unsigned{at[1]} << 8;
        crc = kTables[7][crc & 0xFF] ^ kTables[6][crc >> 8] ^ kTables[5][at[2]] ^
              kTables[4][at[3]] ^ kTables[3][at[4]] ^ kTables[2][at[5]] ^ kTables[1][at[6]] ^
              kTables[0][at[7]];
    }
    for (; left > 0; --left, ++at) {
        crc = (crc >> 8) ^ kTables[0][(crc ^ *at) & 0xFF];
    }
    return static_cast<std::uint16_t>(crc);
}

}  // namespace slotkit::games
