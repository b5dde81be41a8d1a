// The encoder's arithmetic keeps the precision its tables ask for: the quantised coefficients of
// the integer transform stay as close to an exact double-precision DCT as rounding allows, at
// every vector level and quality, and a finer quality never gives a worse picture. A transform
// that works in whole output units fails both at quality 12, whose steps of 1 are finer than
// one unit of the AAN output at the highest frequencies.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "EncodeTableSweep.h"
#include "EncodeTestSupport.h"
#include "HXJPEG/common/ZigZag.h"
#include "HXJPEG/encoder/EncoderQuantTable.h"
#include "HXJPEG/encoder/ForwardDCT.h"
#include "HXJPEG/encoder/QualityTables.h"

namespace {

using HXJPEG::EncoderSIMDLevel;

// The orthonormal 8x8 DCT of JPEG, in double precision.
void ExactTransform(const int16_t* samples, double* out) {
    for (int u = 0; u < 8; ++u) {
        for (int v = 0; v < 8; ++v) {
            double sum = 0;
            for (int y = 0; y < 8; ++y) {
                for (int x = 0; x < 8; ++x) {
                    sum += samples[y * 8 + x] * std::cos((2 * y + 1) * u * M_PI / 16) *
                           std::cos((2 * x + 1) * v * M_PI / 16);
                }
            }
            out[u * 8 + v] = sum * (u ? 1 : M_SQRT1_2) * (v ? 1 : M_SQRT1_2) / 4;
        }
    }
}

// Level-shifted 8x8 blocks: photo-like content (one channel of MakePhoto) and blocks of
// uniform noise of every spread, which fill the highest frequencies.
std::vector<std::vector<int16_t>> TestBlocks() {
    std::vector<std::vector<int16_t>> blocks;
    const hxjpeg_test::SourceImage photo = hxjpeg_test::MakePhoto(128, 64, 1, 3);
    for (uint32_t by = 0; by < photo.height; by += 8) {
        for (uint32_t bx = 0; bx < photo.width; bx += 8) {
            std::vector<int16_t> block(64);
            for (int i = 0; i < 64; ++i) {
                block[i] = static_cast<int16_t>(photo.At(bx + i % 8, by + i / 8, 0) - 128);
            }
            blocks.push_back(block);
        }
    }
    uint32_t state = 7;
    for (int n = 0; n < 256; ++n) {
        const int spread = 1 + n;
        std::vector<int16_t> block(64);
        for (int16_t& sample : block) {
            state = state * 1664525u + 1013904223u;
            const int value = 128 - spread / 2 + static_cast<int>((state >> 8) % spread);
            sample = static_cast<int16_t>(std::min(value, 255) - 128);
        }
        blocks.push_back(block);
    }
    return blocks;
}

TEST(EncodePrecision, CoefficientsStayWithinRoundingOfTheExactTransform) {
    const std::vector<std::vector<int16_t>> blocks = TestBlocks();
    hxjpeg_test::ForEachLevelAndQualityTable([&](EncoderSIMDLevel level, uint32_t quality,
                                                 bool luminance,
                                                 const HXJPEG::EncoderQuantTable& table) {
        // Squared error of the dequantised coefficients against the exact transform, for the
        // encoder and for the same rounding rule (nearest step, small AC values to zero) on
        // the exact transform.
        double encoderError = 0;
        double roundingError = 0;
        for (const std::vector<int16_t>& block : blocks) {
            double exact[64];
            ExactTransform(block.data(), exact);
            int16_t zigzag[64];
            HXJPEG::ForwardDCTQuantise(block.data(), 8, table, zigzag);
            for (int k = 0; k < 64; ++k) {
                const int n = HXJPEG::kZigZagToNatural[k];
                const double step = table.values[n];
                const double steps = exact[n] / step;
                const bool zeroed =
                    k != 0 &&
                    std::abs(steps) < HXJPEG::ZeroingSteps(table.values[0], table.values[n]);
                const double rounded = zeroed ? 0 : std::round(steps) * step;
                encoderError += std::pow(zigzag[k] * step - exact[n], 2);
                roundingError += std::pow(rounded - exact[n], 2);
            }
        }
        // The finest tables leave the transform's own rounding the most weight.
        const double allowed = quality <= 9 ? 1.01 : 1.15;
        EXPECT_LT(encoderError, allowed * roundingError)
            << "quality " << quality << ", level " << static_cast<int>(level)
            << (luminance ? ", luminance" : ", chrominance");
    });
}

// A real photograph: its smooth areas and low noise leave the transform's precision the
// largest share of the error at the finest qualities.
TEST(EncodePrecision, FinerQualitiesGiveBetterPictures) {
    HXJPEGLibInit();
    const std::string path = VANTORY_CORPUS_DIR "/jpeg/ljt-testorig.jpg";
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << "missing test file " << path;
    const std::vector<uint8_t> original((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
    hxjpeg_test::ReferenceDecode photo = hxjpeg_test::DecodeWithLibjpeg(original);
    ASSERT_TRUE(photo.ok && photo.image.channels == 3) << path << ": " << photo.error;
    double psnr[HXJPEG::kMaxQuality + 1];
    for (uint32_t quality = 0; quality <= HXJPEG::kMaxQuality; ++quality) {
        std::vector<uint8_t> file;
        ASSERT_EQ(hxjpeg_test::Encode(photo.image, hxjpeg_test::Options(quality, 0, 2), file),
                  HXJPEG_OK);
        const hxjpeg_test::ReferenceDecode decoded = hxjpeg_test::DecodeWithLibjpeg(file);
        ASSERT_TRUE(decoded.ok) << quality << ": " << decoded.error;
        psnr[quality] = hxjpeg_test::Psnr(photo.image, decoded.image);
    }
    // Within each sampling range (2x2 luminance up to quality 6, 1x1 from 7).
    for (uint32_t quality = 1; quality <= HXJPEG::kMaxQuality; ++quality) {
        if (quality != HXJPEG::kLastSubsampledQuality + 1) {
            EXPECT_GT(psnr[quality], psnr[quality - 1] + 0.2)
                << "quality " << quality << " against " << quality - 1;
        }
    }
}

}  // namespace
