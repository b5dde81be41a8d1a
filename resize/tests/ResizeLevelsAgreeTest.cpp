// Every processor level must give the same bytes as the portable code: the vector kernels are
// exact integer re-codings of the portable loops.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "resize/ProcessorLevel.h"
#include "resize/tests/ResizeTestImage.h"

namespace {

struct Geometry {
    int32_t srcWidth, srcHeight, dstWidth, dstHeight;
};

// Reductions and enlargements, odd widths (vector tails), one-pixel lines, big factors.
constexpr Geometry kGeometries[] = {
    {64, 48, 32, 24},   {97, 61, 40, 17}, {37, 29, 101, 77},  {200, 3, 13, 1}, {1, 50, 7, 9},
    {300, 200, 17, 11}, {33, 33, 33, 33}, {500, 40, 499, 39}, {18, 7, 5, 300},
};

class ResizeLevelsAgreeTest : public ::testing::Test {
protected:
    void TearDown() override { resize::ForceLevel(resize::DetectLevel()); }
};

TEST_F(ResizeLevelsAgreeTest, EveryLevelMatchesPortableBytes) {
    const resize::ProcessorLevel best = resize::DetectLevel();
    if (best == resize::ProcessorLevel::kGeneric) {
        GTEST_SKIP() << "this processor has no vector level";
    }
    uint32_t seed = 1;
    for (Layout layout : kAllLayouts) {
        for (const Geometry& g : kGeometries) {
            TestImage src = MakeImage(layout, g.srcWidth, g.srcHeight);
            src.Randomise(seed++);
            for (int32_t code : kAllInterpolations) {
                TestImage portable = MakeImage(layout, g.dstWidth, g.dstHeight);
                resize::ForceLevel(resize::ProcessorLevel::kGeneric);
                ASSERT_EQ(ResizeTo(layout, src, portable, code), resize::kResizeOK);
                for (auto level : {resize::ProcessorLevel::kSSE2, resize::ProcessorLevel::kSSSE3}) {
                    resize::ForceLevel(level);
                    TestImage vector = MakeImage(layout, g.dstWidth, g.dstHeight, 0xAB);
                    ASSERT_EQ(ResizeTo(layout, src, vector, code), resize::kResizeOK);
                    EXPECT_TRUE(vector == portable)
                        << "level " << resize::LevelName(resize::CurrentLevel()) << " layout "
                        << static_cast<int>(layout) << " code " << code << " " << g.srcWidth << "x"
                        << g.srcHeight << " -> " << g.dstWidth << "x" << g.dstHeight;
                }
            }
        }
    }
}

// Nearest sampling takes a different gather path by factor and pixel size: shuffle plans of one to
// four loads, 12-byte groups of 4-byte pixels, windows slid back at the row's end, pixel-by-pixel
// gathers for strong reductions, batches of rows and their remainders. Every path must give the
// portable bytes, and none may read past a region that ends at the source's last byte or write
// past the destination (AddressSanitizer builds).
TEST_F(ResizeLevelsAgreeTest, EveryNearestGatherPathMatchesPortableBytes) {
    if (resize::DetectLevel() == resize::ProcessorLevel::kGeneric) {
        GTEST_SKIP() << "this processor has no vector level";
    }
    constexpr int32_t kWidths[][2] = {{37, 101}, {500, 499}, {300, 256}, {20, 17},  {6, 5},
                                      {100, 40}, {300, 100}, {400, 100}, {1000, 37}};
    constexpr int32_t kHeights[][2] = {{9, 5}, {3, 7}, {40, 13}};
    constexpr int32_t kMargin = 3;  // the region sits in the bottom right corner
    std::mt19937 random(7);
    for (int32_t bpp : {1, 3, 4}) {
        for (const auto& w : kWidths) {
            for (const auto& h : kHeights) {
                const int32_t srcW = w[0] + kMargin, srcH = h[0] + kMargin;
                std::vector<uint8_t> src(static_cast<size_t>(srcW) * srcH * bpp);
                for (auto& byte : src) {
                    byte = static_cast<uint8_t>(random());
                }
                auto resizeAt = [&](resize::ProcessorLevel level) {
                    resize::ForceLevel(level);
                    std::vector<uint8_t> dst(static_cast<size_t>(w[1]) * h[1] * bpp, 0xAB);
                    auto entry = bpp == 1   ? resize::ResizeOneChannel
                                 : bpp == 3 ? resize::ResizeInterleaved3
                                            : resize::ResizeInterleaved4;
                    EXPECT_EQ(
                        entry(src.data(), srcW, srcH, srcW * bpp, kMargin, kMargin, w[0], h[0],
                              dst.data(), w[1] * bpp, w[1], h[1], static_cast<double>(w[1]) / w[0],
                              static_cast<double>(h[1]) / h[0], resize::kInterpolateNearest),
                        resize::kResizeOK);
                    return dst;
                };
                const std::vector<uint8_t> portable = resizeAt(resize::ProcessorLevel::kGeneric);
                for (auto level : {resize::ProcessorLevel::kSSE2, resize::ProcessorLevel::kSSSE3}) {
                    EXPECT_TRUE(resizeAt(level) == portable)
                        << resize::LevelName(level) << " " << bpp << "-byte pixels " << w[0] << "x"
                        << h[0] << " -> " << w[1] << "x" << h[1];
                }
            }
        }
    }
}

}  // namespace
