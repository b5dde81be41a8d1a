// The wire format packs doubles into binary64 by arithmetic; these pin that the arithmetic
// agrees with the IEEE 754 layout over the whole normal range and that the values outside
// it travel with their own bit pattern.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

#include "kvfoundation/io/WireFormat.h"

using namespace kvfoundation::io::wire;

namespace {

TEST(SerializerFloatPacking, KnownValuesHaveTheirIeeeLayout) {
    EXPECT_EQ(PackBinary64(1.5), 0x3FF8000000000000u);
    EXPECT_EQ(PackBinary64(-2.0), 0xC000000000000000u);
    EXPECT_EQ(PackBinary64(0.1), 0x3FB999999999999Au);
    EXPECT_EQ(PackBinary64(std::numeric_limits<double>::max()), 0x7FEFFFFFFFFFFFFFu);
    EXPECT_EQ(PackBinary64(std::numeric_limits<double>::min()), 0x0010000000000000u);
    EXPECT_EQ(PackBinary64(-std::numeric_limits<double>::min()), 0x8010000000000000u);
}

TEST(SerializerFloatPacking, ZeroOfEitherSignIsAllZeroBits) {
    EXPECT_EQ(PackBinary64(0.0), 0u);
    EXPECT_EQ(PackBinary64(-0.0), 0u);
    EXPECT_EQ(UnpackBinary64(0), 0.0);
}

TEST(SerializerFloatPacking, NormalValuesMatchTheHostLayoutBothWays) {
    std::mt19937_64 random(20261206);
    for (int i = 0; i < 200000; ++i) {
        const std::uint64_t bits = random();
        const double value = std::bit_cast<double>(bits);
        if (!std::isnormal(value)) {
            continue;
        }
        ASSERT_EQ(PackBinary64(value), bits) << value;
        ASSERT_EQ(std::bit_cast<std::uint64_t>(UnpackBinary64(bits)), bits) << value;
    }
}

TEST(SerializerFloatPacking, NonNormalValuesKeepTheirBitPattern) {
    const double subnormal = std::numeric_limits<double>::denorm_min() * 12345;
    const double values[] = {subnormal, -subnormal, std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity()};
    for (double value : values) {
        const std::uint64_t bits = PackBinary64(value);
        EXPECT_EQ(bits, std::bit_cast<std::uint64_t>(value));
        EXPECT_EQ(UnpackBinary64(bits), value);
    }
    const std::uint64_t nanBits = 0x7FF8000000000123u;
    EXPECT_EQ(PackBinary64(std::bit_cast<double>(nanBits)), nanBits);
    EXPECT_TRUE(std::isnan(UnpackBinary64(nanBits)));
}

}  // namespace
