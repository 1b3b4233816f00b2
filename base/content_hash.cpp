#include "base/content_hash.h"

#include <cstdio>

#include "base/little_endian.h"

namespace slotkit::base {

namespace {

constexpr std::uint64_t kP1 = 0x9E3779B185EBCA87ull;
constexpr std::uint64_t kP2 = 0xC2B2AE3D27D4EB4Full;
constexpr std::uint64_t kP3 = 0x165667B19E3779F9ull;
constexpr std::uint64_t kP4 = 0x85EBCA77C2B2AE63ull;
constexpr std::uint64_t kP5 = 0x27D4EB2F165667C5ull;

constexpr std::uint64_t Rotl(std::uint64_t x, int r) {
    return (x << r) | (x >> (64 - r));
}

constexpr std::uint64_t Round(std::uint64_t acc, std::uint64_t input) {
    return Rotl(acc + input * kP2, 31) * kP1;
}

constexpr std::uint64_t MergeRound(std::uint64_t acc, std::uint64_t value) {
    return (acc ^ Round(0, value)) * kP1 + kP4;
}

}  // namespace

std::uint64_t ContentHash(std::span<const std::uint8_t> bytes) {
    const std::uint8_t* p = bytes.data();
    const std::uint8_t* const end = p + bytes.size();
    std::uint64_t h;
    if (bytes.size() >= 32) {
        std::uint64_t v1 = kP1 + kP2, v2 = kP2, v3 = 0, v4 = 0 - kP1;
        for (const std::uint8_t* limit = end - 32; p <= limit; p += 32) {
            v1 = Round(v1, ReadU64Le(p));
            v2 = Round(v2, ReadU64Le(p + 8));
            v3 = Round(v3, ReadU64Le(p + 16));
            v4 = Round(v4, ReadU64Le(p + 24));
        }
        h = Rotl(v1, 1) + Rotl(v2, 7) + Rotl(v3, 12) + Rotl(v4, 18);
        h = MergeRound(h, v1);
        h = MergeRound(h, v2);
        h = MergeRound(h, v3);
        h = MergeRound(h, v4);
    } else {
        h = kP5;
    }
    h += bytes.size();
    for (; end - p >= 8; p += 8) {
        h = Rotl(h ^ Round(0, ReadU64Le(p)), 27) * kP1 + kP4;
    }
    if (end - p >= 4) {
        h = Rotl(h ^ (ReadU32Le(p) * kP1), 23) * kP2 + kP3;
        p += 4;
    }
    for (; p < end; ++p) {
        h = Rotl(h ^ (*p * kP5), 11) * kP1;
    }
    h ^= h >> 33;
    h *= kP2;
    h ^= h >> 29;
    h *= kP3;
    h ^= h >> 32;
    return h;
}

std::string HashText(std::uint64_t hash) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

}  // namespace slotkit::base
