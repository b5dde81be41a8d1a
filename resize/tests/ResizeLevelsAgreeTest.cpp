// Every processor level must give the same bytes as the portable code: the vector kernels are
// exact integer re-codings of the portable loops.
#include <gtest/gtest.h>

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

}  // namespace
