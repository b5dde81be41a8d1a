// Every form of the forward DCT and quantisation (portable, SSE2, SSSE3) must give exactly the
// integer arithmetic it stands for, over the whole 8-bit range and every built-in table.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <random>

#include "EncodeTableSweep.h"
#include "HXJPEG.h"
#include "HXJPEG/common/ZigZag.h"
#include "HXJPEG/encoder/EncoderQuantTable.h"
#include "HXJPEG/encoder/EncoderSIMD.h"
#include "HXJPEG/encoder/ForwardDCT.h"
#include "HXJPEG/encoder/QualityTables.h"

namespace {

int64_t Multiply(int64_t x, int64_t k) {
    return (x * k + 127) >> 8;
}

// Straight from the definition: AAN butterflies with 8-bit constants, columns then rows; samples
// enter with 4 fractional bits, row r of the column pass keeps 1, 1, 1, 1, 1, 2, 2, 3 of them
// (rounded half up) for the row pass, and the quantiser floors magnitude * reciprocal / 2^16
// and rounds that half up to whole steps, except that an AC value below ZeroingSteps steps
// becomes zero.
void Reference1D(int64_t* d, int step) {
    int64_t v[8];
    for (int i = 0; i < 8; ++i) {
        v[i] = d[i * step];
    }
    const int64_t t0 = v[0] + v[7], t7 = v[0] - v[7], t1 = v[1] + v[6], t6 = v[1] - v[6];
    const int64_t t2 = v[2] + v[5], t5 = v[2] - v[5], t3 = v[3] + v[4], t4 = v[3] - v[4];
    const int64_t t10 = t0 + t3, t13 = t0 - t3, t11 = t1 + t2, t12 = t1 - t2;
    const int64_t z1 = Multiply(t12 + t13, 181);
    const int64_t o10 = t4 + t5, o11 = t5 + t6, o12 = t6 + t7;
    const int64_t z5 = Multiply(o10 - o12, 98);
    const int64_t z2 = Multiply(o10, 139) + z5, z4 = Multiply(o12, 334) + z5;
    const int64_t z3 = Multiply(o11, 181);
    const int64_t z11 = t7 + z3, z13 = t7 - z3;
    const int64_t out[8] = {t10 + t11, z11 + z4, t13 + z1, z13 - z2,
                            t10 - t11, z13 + z2, t13 - z1, z11 - z4};
    for (int i = 0; i < 8; ++i) {
        d[i * step] = out[i];
    }
}

void ReferenceQuantise(const int16_t* samples, const HXJPEG::EncoderQuantTable& table,
                       int16_t* zigzag) {
    constexpr int kRowBits[8] = {1, 1, 1, 1, 1, 2, 2, 3};
    int64_t block[64];
    for (int i = 0; i < 64; ++i) {
        block[i] = samples[i] * 16;
    }
    for (int c = 0; c < 8; ++c) {
        Reference1D(block + c, 8);
    }
    for (int i = 0; i < 64; ++i) {
        const int drop = 4 - kRowBits[i / 8];
        block[i] = (block[i] + (1 << (drop - 1))) >> drop;
    }
    for (int r = 0; r < 8; ++r) {
        Reference1D(block + r * 8, 1);
    }
    for (int k = 0; k < 64; ++k) {
        const int n = HXJPEG::kZigZagToNatural[k];
        const int bits = kRowBits[n / 8];
        const int64_t magnitude = std::abs(block[n]);
        const int64_t fine = (magnitude * table.reciprocals[n]) >> 16;
        int64_t steps = (fine + (1 << (bits - 1))) >> bits;
        const double zeroing = HXJPEG::ZeroingSteps(std::max<uint16_t>(table.values[0], 1),
                                                    std::max<uint16_t>(table.values[n], 1));
        if (k != 0 && double(magnitude) * table.reciprocals[n] < zeroing * (1 << (16 + bits))) {
            steps = 0;
        }
        int64_t value = block[n] < 0 ? -steps : steps;
        if (k != 0) {
            value = std::clamp<int64_t>(value, -1023, 1023);
        }
        zigzag[k] = static_cast<int16_t>(value);
    }
}

uint64_t NonZeroBits(const int16_t* zigzag) {
    uint64_t bits = 0;
    for (int k = 0; k < 64; ++k) {
        bits |= uint64_t{zigzag[k] != 0} << k;
    }
    return bits;
}

}  // namespace

TEST(EncodeForwardDCT, MatchesTheIntegerDefinitionForEveryTable) {
    std::mt19937 random(42);
    std::vector<std::vector<int16_t>> blocks;
    blocks.push_back(std::vector<int16_t>(64, -128));
    blocks.push_back(std::vector<int16_t>(64, 127));
    for (int pattern = 0; pattern < 4; ++pattern) {
        std::vector<int16_t> block(64);
        for (int i = 0; i < 64; ++i) {
            const int r = i / 8, c = i % 8;
            const bool odd = pattern == 0   ? ((r + c) & 1)
                             : pattern == 1 ? (c & 1)
                             : pattern == 2 ? (r & 1)
                                            : (r < 4) != (c < 4);
            block[i] = odd ? 127 : -128;
        }
        blocks.push_back(block);
    }
    for (int n = 0; n < 3000; ++n) {
        std::vector<int16_t> block(64);
        const int spread = 1 + static_cast<int>(random() % 256);
        const int centre = static_cast<int>(random() % 256) - 128;
        for (int16_t& sample : block) {
            sample = static_cast<int16_t>(
                std::clamp(centre + static_cast<int>(random() % spread) - spread / 2, -128, 127));
        }
        blocks.push_back(block);
    }
    hxjpeg_test::ForEachLevelAndQualityTable([&](HXJPEG::EncoderSIMDLevel level, uint32_t quality,
                                                 bool luminance,
                                                 const HXJPEG::EncoderQuantTable& table) {
        size_t mismatches = 0;
        for (size_t i = 0; i < blocks.size(); ++i) {
            int16_t expected[64];
            int16_t actual[64];
            ReferenceQuantise(blocks[i].data(), table, expected);
            HXJPEG::ForwardDCTQuantise(blocks[i].data(), 8, table, actual);
            mismatches += !std::equal(expected, expected + 64, actual);
            // The same block as the right one of a side-by-side pair.
            const std::vector<int16_t>& left = blocks[(i + 1) % blocks.size()];
            int16_t pair[8 * 16];
            for (int r = 0; r < 8; ++r) {
                std::copy_n(left.data() + r * 8, 8, pair + r * 16);
                std::copy_n(blocks[i].data() + r * 8, 8, pair + r * 16 + 8);
            }
            int16_t expectedLeft[64];
            int16_t actualLeft[64];
            ReferenceQuantise(left.data(), table, expectedLeft);
            uint64_t nonZero[2];
            HXJPEG::ForwardDCTQuantisePair(pair, 16, table, actualLeft, actual, nonZero);
            mismatches += !std::equal(expected, expected + 64, actual) ||
                          !std::equal(expectedLeft, expectedLeft + 64, actualLeft) ||
                          nonZero[0] != NonZeroBits(expectedLeft) ||
                          nonZero[1] != NonZeroBits(expected);
        }
        EXPECT_EQ(mismatches, 0u) << "quality " << quality << ", level " << static_cast<int>(level)
                                  << (luminance ? ", luminance" : "");
    });
}

TEST(EncodeQualityTables, KeepTheReferenceValuesAndFallWithQuality) {
    const uint8_t firstRows[13][8] = {
        {32, 33, 51, 81, 66, 39, 34, 17}, {27, 26, 41, 65, 66, 39, 34, 17},
        {20, 17, 26, 41, 51, 39, 34, 17}, {18, 14, 14, 21, 30, 35, 34, 17},
        {16, 11, 11, 16, 23, 27, 31, 17}, {12, 8, 8, 12, 17, 21, 24, 17},
        {8, 6, 6, 8, 12, 14, 16, 17},     {10, 7, 7, 10, 15, 18, 20, 17},
        {6, 4, 4, 6, 9, 11, 12, 16},      {4, 3, 3, 4, 6, 7, 8, 10},
        {2, 2, 2, 2, 3, 4, 5, 6},         {1, 1, 1, 1, 2, 2, 2, 3},
        {1, 1, 1, 1, 1, 1, 1, 1}};
    for (uint32_t q = 0; q <= 12; ++q) {
        for (int c = 0; c < 8; ++c) {
            EXPECT_EQ(HXJPEG::kLuminanceTables[q][c], firstRows[q][c]) << q;
        }
        EXPECT_EQ(HXJPEG::kLuminanceTables[q][63], q <= 10 ? 12 : q == 11 ? 8 : 3) << q;
    }
    // Monotone within each sampling range: 0..6 (2x2 luminance) and 7..12 (1x1).
    for (uint32_t q = 0; q < 12; ++q) {
        if (q == 6) {
            continue;
        }
        for (int i = 0; i < 64; ++i) {
            EXPECT_GE(HXJPEG::kLuminanceTables[q][i], HXJPEG::kLuminanceTables[q + 1][i]) << q;
            EXPECT_GE(HXJPEG::kChrominanceTables[q][i], HXJPEG::kChrominanceTables[q + 1][i]) << q;
        }
    }
}
