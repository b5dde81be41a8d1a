// What a resize must preserve, checked at the level this processor selects (CI also runs the
// suite with VANTORY_FORCE_PORTABLE=1, and ResizeLevelsAgreeTest ties the levels together).
#include <gtest/gtest.h>

#include <cstdlib>

#include "resize/tests/ResizeTestImage.h"

namespace {

TEST(ResizeResultsTest, ConstantImageStaysConstant) {
    const int32_t sizes[][4] = {{120, 80, 7, 5}, {9, 13, 70, 41}, {6000, 4, 256, 1}};
    for (Layout layout : kAllLayouts) {
        for (const auto& s : sizes) {
            for (int32_t code : kAllInterpolations) {
                for (uint8_t value : {uint8_t{0}, uint8_t{1}, uint8_t{128}, uint8_t{255}}) {
                    const TestImage src = MakeImage(layout, s[0], s[1], value);
                    TestImage dst = MakeImage(layout, s[2], s[3], static_cast<uint8_t>(~value));
                    ASSERT_EQ(ResizeTo(layout, src, dst, code), resize::kResizeOK);
                    EXPECT_TRUE(dst == MakeImage(layout, s[2], s[3], value))
                        << "layout " << static_cast<int>(layout) << " code " << code << " value "
                        << int{value};
                }
            }
        }
    }
}

TEST(ResizeResultsTest, SameSizeIsAnExactCopy) {
    for (Layout layout : kAllLayouts) {
        TestImage src = MakeImage(layout, 45, 23);
        src.Randomise(7);
        for (int32_t code : kAllInterpolations) {
            TestImage dst = MakeImage(layout, 45, 23);
            ASSERT_EQ(ResizeTo(layout, src, dst, code), resize::kResizeOK);
            EXPECT_TRUE(dst == src) << "layout " << static_cast<int>(layout) << " code " << code;
        }
    }
}

// Interleaved and planar kernels are separate code: every channel of an interleaved or planar
// resize must equal the one-channel resize of that channel alone.
TEST(ResizeResultsTest, ChannelsResizeIndependently) {
    const int32_t w = 131, h = 57, dw = 50, dh = 90;
    for (Layout layout :
         {Layout::kPlanar3, Layout::kPlanar4, Layout::kInterleaved3, Layout::kInterleaved4}) {
        TestImage src = MakeImage(layout, w, h);
        src.Randomise(11);
        const int32_t channels =
            layout == Layout::kPlanar3 || layout == Layout::kInterleaved3 ? 3 : 4;
        const bool interleaved = src.bytesPerPixel > 1;
        for (int32_t code : kAllInterpolations) {
            TestImage dst = MakeImage(layout, dw, dh);
            ASSERT_EQ(ResizeTo(layout, src, dst, code), resize::kResizeOK);
            for (int32_t c = 0; c < channels; ++c) {
                TestImage one(w, h, 1, 1);
                for (size_t i = 0; i < one.planes[0].size(); ++i) {
                    one.planes[0][i] =
                        interleaved ? src.planes[0][i * channels + c] : src.planes[c][i];
                }
                TestImage expected(dw, dh, 1, 1);
                ASSERT_EQ(ResizeTo(Layout::kOneChannel, one, expected, code), resize::kResizeOK);
                for (size_t i = 0; i < expected.planes[0].size(); ++i) {
                    const uint8_t got =
                        interleaved ? dst.planes[0][i * channels + c] : dst.planes[c][i];
                    ASSERT_EQ(got, expected.planes[0][i])
                        << "layout " << static_cast<int>(layout) << " code " << code << " channel "
                        << c << " sample " << i;
                }
            }
        }
    }
}

TEST(ResizeResultsTest, KernelsBehaveAsTheirNames) {
    // Nearest doubling repeats each sample twice.
    TestImage src(4, 1, 1, 1);
    src.planes[0] = {10, 20, 30, 40};
    TestImage twice(8, 2, 1, 1);
    ASSERT_EQ(ResizeTo(Layout::kOneChannel, src, twice, resize::kInterpolateNearest), 0);
    EXPECT_EQ(twice.planes[0], (std::vector<uint8_t>{10, 10, 20, 20, 30, 30, 40, 40, 10, 10, 20, 20,
                                                     30, 30, 40, 40}));

    // Supersampling a one-pixel checkerboard by half averages each 2x2 block.
    TestImage checker(64, 64, 1, 1);
    for (int32_t y = 0; y < 64; ++y) {
        for (int32_t x = 0; x < 64; ++x) {
            checker.planes[0][static_cast<size_t>(y) * 64 + x] = (x + y) % 2 ? 255 : 0;
        }
    }
    TestImage half(32, 32, 1, 1);
    ASSERT_EQ(ResizeTo(Layout::kOneChannel, checker, half, resize::kInterpolateSupersample), 0);
    for (uint8_t v : half.planes[0]) {
        ASSERT_TRUE(v == 127 || v == 128) << int{v};
    }

    // Linear and cubic reductions of a ramp stay monotonic and inside the ramp's range, and
    // hit its middle.
    TestImage ramp(256, 4, 1, 1);
    for (int32_t y = 0; y < 4; ++y) {
        for (int32_t x = 0; x < 256; ++x) {
            ramp.planes[0][static_cast<size_t>(y) * 256 + x] = static_cast<uint8_t>(x);
        }
    }
    for (int32_t code : {resize::kInterpolateLinear, resize::kInterpolateCubic}) {
        TestImage small(32, 2, 1, 1);
        ASSERT_EQ(ResizeTo(Layout::kOneChannel, ramp, small, code), 0);
        for (int32_t x = 1; x < 32; ++x) {
            EXPECT_LE(small.planes[0][x - 1], small.planes[0][x]) << "code " << code;
        }
        EXPECT_NEAR(small.planes[0][16], 132, 2) << "code " << code;  // centre of 128..135
    }
}

TEST(ResizeResultsTest, RegionOfInterestEqualsResizingTheCrop) {
    TestImage src(90, 70, 3, 1);
    src.Randomise(5);
    const int32_t rx = 17, ry = 9, rw = 60, rh = 50;
    TestImage crop(rw, rh, 3, 1);
    for (int32_t y = 0; y < rh; ++y) {
        for (int32_t x = 0; x < rw * 3; ++x) {
            crop.planes[0][static_cast<size_t>(y) * rw * 3 + x] =
                src.planes[0][static_cast<size_t>(y + ry) * 90 * 3 + rx * 3 + x];
        }
    }
    for (int32_t code : kAllInterpolations) {
        TestImage expected(25, 33, 3, 1);
        ASSERT_EQ(ResizeTo(Layout::kInterleaved3, crop, expected, code), 0);
        TestImage got(25, 33, 3, 1);
        ASSERT_EQ(resize::ResizeInterleaved3(src.planes[0].data(), 90, 70, 90 * 3, rx, ry, rw, rh,
                                             got.planes[0].data(), 25 * 3, 25, 33, 25.0 / rw,
                                             33.0 / rh, code),
                  0);
        EXPECT_TRUE(got == expected) << "code " << code;
    }
}

}  // namespace
