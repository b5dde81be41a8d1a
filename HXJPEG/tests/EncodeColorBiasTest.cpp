// The encoder's RGB to YCbCr conversion is unbiased: on a noisy picture the mean error of Y, Cb
// and Cr against a double-precision conversion stays within +-0.05 (a conversion that floors
// instead of rounding is off by about -0.5), at every vector level, for planar and interleaved
// input, with equal and with 2x2 sampling.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "HXJPEG/encoder/ColorConverterRGB.h"
#include "HXJPEG/encoder/EncoderSIMD.h"

namespace {

using HXJPEG::EncoderSIMDLevel;

constexpr uint32_t kWidth = 128;
constexpr uint32_t kRows = 16;

// Level-shifted Y, Cb, Cr of one pixel in double precision (the ITU-R BT.601 weights).
void Exact(double r, double g, double b, double out[3]) {
    out[0] = 0.299 * r + 0.587 * g + 0.114 * b - 128;
    out[1] = -0.168736 * r - 0.331264 * g + 0.5 * b;
    out[2] = 0.5 * r - 0.418688 * g - 0.081312 * b;
}

struct Bias {
    double mean[3] = {};
};

// Converts one band of independent uniform noise laid out with `step` bytes per pixel (1: three
// separate planes) and returns the mean error per component.
Bias Measure(uint32_t step, bool subsampled) {
    std::vector<uint8_t> pixels(size_t{kWidth} * kRows * (step == 4 ? 4 : 3));  // exact: ASan
    uint32_t state = 2463534242u;
    for (auto& v : pixels) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        v = static_cast<uint8_t>(state >> 24);
    }
    HXJPEGImageContent content{};
    const uint32_t pixelStride = step == 1 ? 1 : step;
    for (uint32_t c = 0; c < 3; ++c) {
        content.planes[c] = pixels.data() + (step == 1 ? c * kWidth * kRows : c);
    }
    content.pixelStride = pixelStride;
    content.rowStride = kWidth * pixelStride;
    content.numPlanes = 3;
    auto sample = [&](uint32_t c, uint32_t x, uint32_t y) -> double {
        return content.planes[c][size_t{y} * content.rowStride + size_t{x} * pixelStride];
    };

    const uint32_t chromaScale = subsampled ? 2 : 1;
    std::vector<int16_t> planes[3];
    HXJPEG::ComponentBand bands[3];
    for (uint32_t c = 0; c < 3; ++c) {
        const uint32_t scale = c == 0 ? 1 : chromaScale;
        planes[c].assign(size_t{kWidth / scale} * (kRows / scale), 0);
        bands[c] = {planes[c].data(), kWidth / scale, kRows / scale};
    }
    HXJPEG::ColorConverterRGB converter(subsampled);
    converter.Convert(content, {0, kWidth, kWidth, kRows}, bands);

    Bias bias;
    for (uint32_t c = 0; c < 3; ++c) {
        const uint32_t scale = c == 0 ? 1 : chromaScale;
        double sum = 0;
        for (uint32_t y = 0; y < kRows / scale; ++y) {
            for (uint32_t x = 0; x < kWidth / scale; ++x) {
                double exact = 0;  // the mean of the group this sample stands for
                for (uint32_t dy = 0; dy < scale; ++dy) {
                    for (uint32_t dx = 0; dx < scale; ++dx) {
                        const uint32_t px = x * scale + dx, py = y * scale + dy;
                        double ycc[3];
                        Exact(sample(0, px, py), sample(1, px, py), sample(2, px, py), ycc);
                        exact += ycc[c] / (scale * scale);
                    }
                }
                sum += planes[c][size_t{y} * bands[c].stride + x] - exact;
            }
        }
        bias.mean[c] = sum / (double(kWidth / scale) * (kRows / scale));
    }
    return bias;
}

TEST(EncodeColorBiasTest, MeanErrorIsNearZeroEverywhere) {
    for (EncoderSIMDLevel level : {EncoderSIMDLevel::kPortable, EncoderSIMDLevel::kSSE2,
                                   EncoderSIMDLevel::kSSSE3, EncoderSIMDLevel::kAVX2}) {
        HXJPEG::SetEncoderSIMDLevel(level);
        for (uint32_t step : {1u, 3u, 4u}) {
            for (bool subsampled : {false, true}) {
                const Bias bias = Measure(step, subsampled);
                const std::string what = "level " + std::to_string(int(level)) + ", step " +
                                         std::to_string(step) + (subsampled ? ", 2x2" : ", 1x1");
                for (int c = 0; c < 3; ++c) {
                    EXPECT_NEAR(bias.mean[c], 0.0, 0.05) << what << ", component " << c;
                }
            }
        }
    }
    HXJPEGLibInit();
}

// Pure blue and pure red take a chroma sum to its 16-bit limit (32640 before rounding): every
// level must give Cb (Cr) = +128 there, as the scalar arithmetic does, not wrap around.
TEST(EncodeColorBiasTest, SaturatedChromaDoesNotWrap) {
    const uint8_t corners[4][3] = {{0, 0, 255}, {255, 0, 0}, {255, 255, 255}, {0, 0, 0}};
    std::vector<uint8_t> pixels(size_t{kWidth} * kRows * 3);
    for (size_t i = 0; i < pixels.size() / 3; ++i) {
        for (int c = 0; c < 3; ++c) {
            pixels[i * 3 + c] = corners[(i / 5) % 4][c];
        }
    }
    HXJPEGImageContent content{
        {pixels.data(), pixels.data() + 1, pixels.data() + 2, nullptr}, 3, kWidth * 3, 3};
    for (EncoderSIMDLevel level : {EncoderSIMDLevel::kPortable, EncoderSIMDLevel::kSSE2,
                                   EncoderSIMDLevel::kSSSE3, EncoderSIMDLevel::kAVX2}) {
        HXJPEG::SetEncoderSIMDLevel(level);
        std::vector<int16_t> planes[3];
        HXJPEG::ComponentBand bands[3];
        for (int c = 0; c < 3; ++c) {
            planes[c].assign(size_t{kWidth} * kRows, 0);
            bands[c] = {planes[c].data(), kWidth, kRows};
        }
        HXJPEG::ColorConverterRGB(false).Convert(content, {0, kWidth, kWidth, kRows}, bands);
        const int16_t expected[4][3] = {
            {-99, 128, -21}, {-51, -43, 128}, {127, 0, 0}, {-128, 0, 0}};
        for (size_t i = 0; i < size_t{kWidth} * kRows; ++i) {
            for (int c = 0; c < 3; ++c) {
                ASSERT_EQ(planes[c][i], expected[(i / 5) % 4][c])
                    << "level " << int(level) << ", pixel " << i << ", component " << c;
            }
        }
    }
    HXJPEGLibInit();
}

}  // namespace
