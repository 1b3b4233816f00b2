#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "base/little_endian.h"

namespace slotkit {
namespace {

// The values have their top bits set, so that a byte widened with its sign or shifted into
// the sign bit of an int shows.
TEST(LittleEndian, ReadsLeastSignificantByteFirst) {
    const std::array<std::uint8_t, 6> bytes{0xAA, 0xFE, 0x80, 0x01, 0xFF, 0x9C};
    EXPECT_EQ(base::ReadU16Le(bytes.data() + 1), 0x80FE);
    EXPECT_EQ(base::ReadU32Le(bytes.data() + 1), 0xFF0180FEu);
    EXPECT_EQ(base::ReadU16Le(bytes, 4), 0x9CFF);
    EXPECT_EQ(base::ReadU32Le(bytes, 2), 0x9CFF0180u);
}

TEST(LittleEndian, WritesWhatItReadsAndNothingAround) {
    std::array<std::uint8_t, 8> bytes{};
    bytes.fill(0x55);
    base::WriteU32Le(bytes.data() + 1, 0xF1E2D3C4u);
    base::WriteU16Le(std::span<std::uint8_t>(bytes), 5, 0xB7A6);
    EXPECT_EQ(bytes, (std::array<std::uint8_t, 8>{0x55, 0xC4, 0xD3, 0xE2, 0xF1, 0xA6, 0xB7, 0x55}));
    EXPECT_EQ(base::ReadU32Le(bytes, 1), 0xF1E2D3C4u);
    EXPECT_EQ(base::ReadU16Le(bytes.data() + 5), 0xB7A6);

    base::WriteU32Le(std::span<std::uint8_t>(bytes), 4, 0x80000001u);
    base::WriteU16Le(bytes.data(), 0x8001);
    EXPECT_EQ(base::ReadU32Le(bytes, 4), 0x80000001u);
    EXPECT_EQ(base::ReadU16Le(bytes, 0), 0x8001);
}

}  // namespace
}  // namespace slotkit
