// Quarter, half and three-quarter turns of interleaved and planar buffers, pixel by pixel.
#include <gtest/gtest.h>

#include "kvloom/thumbnail/PixelsRotation.h"

namespace {

using ThumbMetaLib::Pixels;
using ThumbMetaLib::PixelsPtr;

// A 3 x 2 buffer whose every sample names its pixel: value = 10 * row + column (+ 50 per
// channel).
PixelsPtr Numbered(int32_t channels, int32_t layout) {
    PixelsPtr pixels = Pixels::Create(
        3, 2, channels, channels == 1 ? ThumbMetaLib::kModeGrayscale : ThumbMetaLib::kModeRGB,
        layout, true);
    for (uint32_t r = 0; r < 2; ++r) {
        for (uint32_t c = 0; c < 3; ++c) {
            for (int32_t k = 0; k < channels; ++k) {
                const uint8_t value = uint8_t(10 * r + c + 50 * k);
                if (layout == ThumbMetaLib::kLayoutInterleaved) {
                    pixels->Bytes()[r * pixels->RowBytes() + c * channels + k] = value;
                } else {
                    pixels->Plane(k)[r * pixels->RowBytes() + c] = value;
                }
            }
        }
    }
    return pixels;
}

// The pixel names of the buffer, row by row, of channel `k`.
std::vector<int> Names(const Pixels& pixels, int32_t k) {
    std::vector<int> names;
    const int32_t channels = pixels.Channels();
    for (uint32_t r = 0; r < pixels.Height(); ++r) {
        for (uint32_t c = 0; c < pixels.Width(); ++c) {
            const uint8_t value = pixels.Layout() == ThumbMetaLib::kLayoutInterleaved
                                      ? pixels.Bytes()[r * pixels.RowBytes() + c * channels + k]
                                      : pixels.Plane(k)[r * pixels.RowBytes() + c];
            names.push_back(value - 50 * k);
        }
    }
    return names;
}

struct Layout {
    int32_t channels;
    int32_t layout;
};

class PixelsRotationTest : public testing::TestWithParam<Layout> {};

INSTANTIATE_TEST_SUITE_P(Layouts, PixelsRotationTest,
                         testing::Values(Layout{4, ThumbMetaLib::kLayoutInterleaved},
                                         Layout{3, ThumbMetaLib::kLayoutInterleaved},
                                         Layout{1, ThumbMetaLib::kLayoutPlanar},
                                         Layout{3, ThumbMetaLib::kLayoutPlanar}));

TEST_P(PixelsRotationTest, TurnsClockwise) {
    const PixelsPtr source = Numbered(GetParam().channels, GetParam().layout);
    // Source:  00 01 02 / 10 11 12.
    const PixelsPtr quarter = kvloom::RotateClockwise(source, 90);
    ASSERT_EQ(quarter->Width(), 2u);
    ASSERT_EQ(quarter->Height(), 3u);
    const PixelsPtr half = kvloom::RotateClockwise(source, 180);
    const PixelsPtr threeQuarters = kvloom::RotateClockwise(source, 270);
    for (int32_t k = 0; k < GetParam().channels; ++k) {
        EXPECT_EQ(Names(*quarter, k), (std::vector<int>{10, 0, 11, 1, 12, 2}));
        EXPECT_EQ(Names(*half, k), (std::vector<int>{12, 11, 10, 2, 1, 0}));
        EXPECT_EQ(Names(*threeQuarters, k), (std::vector<int>{2, 12, 1, 11, 0, 10}));
    }
    EXPECT_EQ(kvloom::RotateClockwise(source, 0), source);
    EXPECT_EQ(kvloom::RotateClockwise(source, 45), source);
}

}  // namespace
