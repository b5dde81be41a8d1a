// Bad arguments get their status codes and leave the destination untouched.
#include <gtest/gtest.h>

#include <limits>

#include "resize/tests/ResizeTestImage.h"

namespace {

using resize::ResizeInterleaved4;
using resize::ResizePlanar3;
using resize::ResizePlanar4;

TEST(ResizeArgumentsTest, AnyNullPlaneIsRefusedAndNothingIsWritten) {
    TestImage src(16, 16, 1, 4, 9);
    TestImage dst(8, 8, 1, 4, 77);
    for (int32_t missing = 0; missing < 8; ++missing) {
        const uint8_t* s[4] = {src.planes[0].data(), src.planes[1].data(), src.planes[2].data(),
                               src.planes[3].data()};
        uint8_t* d[4] = {dst.planes[0].data(), dst.planes[1].data(), dst.planes[2].data(),
                         dst.planes[3].data()};
        if (missing < 4) {
            s[missing] = nullptr;
        } else {
            d[missing - 4] = nullptr;
        }
        EXPECT_EQ(ResizePlanar4(s, 16, 16, 16, 0, 0, 16, 16, d, 8, 8, 8, 0.5, 0.5, 2),
                  resize::kResizeNullPlane);
        if (missing % 4 < 3) {
            EXPECT_EQ(ResizePlanar3(s, 16, 16, 16, 0, 0, 16, 16, d, 8, 8, 8, 0.5, 0.5, 1),
                      resize::kResizeNullPlane);
        }
    }
    EXPECT_EQ(ResizePlanar3(nullptr, 16, 16, 16, 0, 0, 16, 16, nullptr, 8, 8, 8, 0.5, 0.5, 1),
              resize::kResizeNullPlane);
    EXPECT_EQ(resize::ResizeOneChannel(nullptr, 16, 16, 16, 0, 0, 16, 16, dst.planes[0].data(), 8,
                                       8, 8, 0.5, 0.5, 1),
              resize::kResizeNullPlane);
    EXPECT_TRUE(dst == TestImage(8, 8, 1, 4, 77));
}

TEST(ResizeArgumentsTest, EachBadArgumentHasItsStatus) {
    TestImage src(16, 12, 4, 1, 9);
    TestImage dst(8, 6, 4, 1, 77);
    const uint8_t* s = src.planes[0].data();
    uint8_t* d = dst.planes[0].data();
    struct Case {
        int32_t srcW, srcH, srcStep, rx, ry, rw, rh, dstStep, dstW, dstH;
        double fx, fy;
        int32_t code, expected;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        // Sizes that are not positive.
        {0, 12, 64, 0, 0, 16, 12, 32, 8, 6, 0.5, 0.5, 2, resize::kResizeBadSize},
        {16, -1, 64, 0, 0, 16, 12, 32, 8, 6, 0.5, 0.5, 2, resize::kResizeBadSize},
        {16, 12, 64, 0, 0, 0, 12, 32, 8, 6, 0.5, 0.5, 2, resize::kResizeBadSize},
        {16, 12, 64, 0, 0, 16, 12, 32, 0, 6, 0.5, 0.5, 2, resize::kResizeBadSize},
        {16, 12, 64, 0, 0, 16, 12, 32, 8, -6, 0.5, 0.5, 2, resize::kResizeBadSize},
        // Interpolation codes other than 1, 2, 4, 8.
        {16, 12, 64, 0, 0, 16, 12, 32, 8, 6, 0.5, 0.5, 0, resize::kResizeBadInterpolation},
        {16, 12, 64, 0, 0, 16, 12, 32, 8, 6, 0.5, 0.5, 3, resize::kResizeBadInterpolation},
        // Region of interest leaving the image, also through overflow.
        {16, 12, 64, 1, 0, 16, 12, 32, 8, 6, 0.5, 0.5, 2, resize::kResizeBadRegion},
        {16, 12, 64, 0, -1, 16, 12, 32, 8, 6, 0.5, 0.5, 2, resize::kResizeBadRegion},
        {16, 12, 64, 0x7fffffff, 0, 16, 12, 32, 8, 6, 0.5, 0.5, 2, resize::kResizeBadRegion},
        // Row steps shorter than a row.
        {16, 12, 63, 0, 0, 16, 12, 32, 8, 6, 0.5, 0.5, 2, resize::kResizeBadRowStep},
        {16, 12, 64, 0, 0, 16, 12, -32, 8, 6, 0.5, 0.5, 2, resize::kResizeBadRowStep},
        // Factors that are not finite, not positive, or nowhere near the sizes' ratio.
        {16, 12, 64, 0, 0, 16, 12, 32, 8, 6, nan, 0.5, 2, resize::kResizeBadFactor},
        {16, 12, 64, 0, 0, 16, 12, 32, 8, 6, 0.5, inf, 2, resize::kResizeBadFactor},
        {16, 12, 64, 0, 0, 16, 12, 32, 8, 6, 0.0, 0.5, 4, resize::kResizeBadFactor},
        {16, 12, 64, 0, 0, 16, 12, 32, 8, 6, -0.5, 0.5, 1, resize::kResizeBadFactor},
        {16, 12, 64, 0, 0, 16, 12, 32, 8, 6, 0.5, 1e-9, 8, resize::kResizeBadFactor},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ResizeInterleaved4(s, c.srcW, c.srcH, c.srcStep, c.rx, c.ry, c.rw, c.rh, d,
                                     c.dstStep, c.dstW, c.dstH, c.fx, c.fy, c.code),
                  c.expected)
            << c.srcW << "x" << c.srcH << " step " << c.srcStep << " roi " << c.rx << "," << c.ry
            << " factors " << c.fx << "," << c.fy << " code " << c.code;
    }
    EXPECT_TRUE(dst == TestImage(8, 6, 4, 1, 77));
}

// A factor that differs from the sizes' ratio (within reason) only moves the sample positions:
// the result keeps the destination size and reads nothing outside the source.
TEST(ResizeArgumentsTest, FactorsOffTheSizesStayInBounds) {
    TestImage src(40, 30, 3, 1);
    src.Randomise(3);
    for (int32_t code : kAllInterpolations) {
        for (double f : {0.06, 0.5, 4.0}) {
            TestImage dst(20, 15, 3, 1);
            EXPECT_EQ(ResizeWhole(Layout::kInterleaved3, src, dst, code, f, f), 0);
        }
    }
}

}  // namespace
