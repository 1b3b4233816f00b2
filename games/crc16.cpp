#include "games/crc16.h"

#include <array>

#include "base/little_endian.h"

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#define SLOTKIT_CRC16_CLMUL 1
#include <immintrin.h>
#endif

namespace slotkit::games {

namespace {

// Eight tables: [0] the byte-at-a-time table, [k] the CRC of a byte followed by k zero bytes, so
// that eight bytes are taken in one step.
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

unsigned CrcByTables(unsigned crc, const std::uint8_t* at, std::size_t left) {
    for (; left >= 8; left -= 8, at += 8) {
        crc ^= base::ReadU16Le(at);
        crc = kTables[7][crc & 0xFF] ^ kTables[6][crc >> 8] ^ kTables[5][at[2]] ^
              kTables[4][at[3]] ^ kTables[3][at[4]] ^ kTables[2][at[5]] ^ kTables[1][at[6]] ^
              kTables[0][at[7]];
    }
    for (; left > 0; --left, ++at) {
        crc = (crc >> 8) ^ kTables[0][(crc ^ *at) & 0xFF];
    }
    return crc;
}

#ifdef SLOTKIT_CRC16_CLMUL

// Folding. The CRC is the message, as a polynomial over GF(2), times x^16 modulo
// P = x^16 + x^15 + x^2 + 1, so a 128-bit block of it may be replaced by any smaller polynomial
// congruent to it once moved past the bits that follow: a block X = H x^64 + L followed by D bits
// is worth H (x^(64+D) mod P) + L (x^D mod P) there, which fits in 128 bits and is added to the
// block D bits on. The CRC of what is left at the end (16 bytes and the tail) is then the CRC of
// the whole message.
//
// In the CRC's bit order the first bit of a block is its highest power: bit t of a 128-bit
// register stands for x^(127 - t), bit s of a 64-bit half for x^(63 - s). Bit t of a carry-less
// product of two halves stands for x^(126 - t), one power short of the block it is added to, so
// each constant is kept divided by x.
constexpr std::uint32_t XPowerModP(unsigned power) {
    std::uint32_t remainder = 1;
    for (unsigned i = 0; i < power; ++i) {
        remainder <<= 1;
        if (remainder & 0x10000) {
            remainder ^= 0x18005;
        }
    }
    return remainder;
}

constexpr std::uint64_t FoldConstant(unsigned power) {
    const std::uint32_t overX = XPowerModP(power - 1);
    std::uint64_t reflected = 0;
    for (unsigned degree = 0; degree < 16; ++degree) {
        if (overX >> degree & 1) {
            reflected |= std::uint64_t{1} << (63 - degree);
        }
    }
    return reflected;
}

struct Fold {
    std::uint64_t high;  // for the block's first eight bytes: x^(64 + D) mod P
    std::uint64_t low;   // for its last eight: x^D mod P
};

constexpr Fold FoldOver(unsigned bits) {
    return {FoldConstant(64 + bits), FoldConstant(bits)};
}

constexpr Fold kFold128 = FoldOver(128);
constexpr Fold kFold256 = FoldOver(256);
constexpr Fold kFold384 = FoldOver(384);
constexpr Fold kFold512 = FoldOver(512);

__attribute__((target("pclmul,sse2"))) inline __m128i Folded(__m128i block, const Fold& fold) {
    const __m128i constants =
        _mm_set_epi64x(static_cast<long long>(fold.low), static_cast<long long>(fold.high));
    return _mm_xor_si128(_mm_clmulepi64_si128(block, constants, 0x00),
                         _mm_clmulepi64_si128(block, constants, 0x11));
}

__attribute__((target("pclmul,sse2"))) inline __m128i Load(const std::uint8_t* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// At least 64 bytes. Four blocks are folded side by side, 64 bytes on, then into one.
__attribute__((target("pclmul,sse2"))) unsigned CrcByFolding(const std::uint8_t* at,
                                                             std::size_t left) {
    // The initial value is the first 16 bits of the message inverted.
    __m128i a = _mm_xor_si128(Load(at), _mm_cvtsi32_si128(0xFFFF));
    __m128i b = Load(at + 16);
    __m128i c = Load(at + 32);
    __m128i d = Load(at + 48);
    at += 64;
    left -= 64;
    for (; left >= 64; left -= 64, at += 64) {
        a = _mm_xor_si128(Folded(a, kFold512), Load(at));
        b = _mm_xor_si128(Folded(b, kFold512), Load(at + 16));
        c = _mm_xor_si128(Folded(c, kFold512), Load(at + 32));
        d = _mm_xor_si128(Folded(d, kFold512), Load(at + 48));
    }
    __m128i x = _mm_xor_si128(_mm_xor_si128(Folded(a, kFold384), Folded(b, kFold256)),
                              _mm_xor_si128(Folded(c, kFold128), d));
    for (; left >= 16; left -= 16, at += 16) {
        x = _mm_xor_si128(Folded(x, kFold128), Load(at));
    }
    alignas(16) std::uint8_t rest[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(rest), x);
    return CrcByTables(CrcByTables(0, rest, sizeof rest), at, left);
}

bool HasCarrylessMultiply() {
    static const bool has = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse2");
    return has;
}

#endif

}  // namespace

std::uint16_t Crc16ByTables(ByteSpan bytes) {
    return static_cast<std::uint16_t>(CrcByTables(0xFFFF, bytes.data(), bytes.size()));
}

std::uint16_t Crc16(ByteSpan bytes) {
#ifdef SLOTKIT_CRC16_CLMUL
    if (bytes.size() >= 64 && HasCarrylessMultiply()) {
        return static_cast<std::uint16_t>(CrcByFolding(bytes.data(), bytes.size()));
    }
#endif
    return Crc16ByTables(bytes);
}

}  // namespace slotkit::games
