#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

#include "ThumbMetaLib/base/EngineException.h"
#include "ThumbMetaLib/resample/ResamplePasses.h"
#include "ThumbMetaLib/resample/ResampleRowOps.h"
#include "ThumbMetaLib/resample/ResizeKernel.h"
#include "ThumbMetaLib/resample/TResizeTable.h"

namespace ThumbMetaLib {
namespace {

int RowSum(const ResizeKernel& kernel, int phase) {
    const int16_t* row = kernel.Row(phase);
    return std::accumulate(row, row + kernel.Taps(), 0);
}

// Every row of every kernel the tables build sums to 16384 within the truncation of its taps,
// and trimming keeps the taps centred the way the convolution pass reads them.
TEST(ResamplerArithmeticTest, WeightRowsSumToOneWithinTruncation) {
    const int sources[] = {1000, 1001, 4000, 1165, 6000, 333};
    const int destinations[] = {999, 700, 500, 300, 256, 100, 37, 2};
    for (int kind = 1; kind <= 4; ++kind) {
        for (int s : sources) {
            for (int d : destinations) {
                auto table = TResizeTable::Build(kind, s, d);
                ASSERT_TRUE(table);
                if (!table->HasFilter()) {
                    continue;
                }
                const ResizeKernel& kernel = *table->Kernel();
                EXPECT_EQ(kernel.Taps() % 2, 0);
                EXPECT_EQ(kernel.FirstTap(), -(kernel.Taps() / 2 - 1));
                for (int p = 0; p < ResizeKernel::kPhases; ++p) {
                    const int sum = RowSum(kernel, p);
                    EXPECT_LE(std::abs(sum - ResizeKernel::kOne), kernel.Taps())
                        << "kind " << kind << " " << s << "->" << d << " phase " << p;
                }
            }
        }
    }
}

TEST(ResamplerArithmeticTest, NearestSamplingPicksTheCoveringSample) {
    auto table = TResizeTable::Build(TResizeTable::kNearest, 10, 4);
    ASSERT_TRUE(table->IsNearest());
    // (round((i + 0.5) * 2.5 * 128) + 3) >> 7
    EXPECT_EQ(table->Index(), (std::vector<int32_t>{1, 3, 6, 8}));
    // Same length: identity, whatever the kind.
    auto same = TResizeTable::Build(TResizeTable::kCubic, 7, 7);
    ASSERT_TRUE(same->IsNearest());
    EXPECT_EQ(same->Index(), (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 6}));
    // A one-sample source has nothing to interpolate.
    EXPECT_TRUE(TResizeTable::Build(TResizeTable::kCubic, 1, 1)->IsNearest());
}

TEST(ResamplerArithmeticTest, LargeReductionsAverageBoxesBeforeTheWidenedCubic) {
    auto table = TResizeTable::Build(TResizeTable::kCubic, 4000, 100);
    ASSERT_TRUE(table->HasBox());
    ASSERT_TRUE(table->HasFilter());
    EXPECT_EQ(table->IntermediateLength(), 400);
    EXPECT_EQ(table->BoxCount(), std::vector<int32_t>(400, 10));
    // Remaining scale 0.25 with B = 1: taps at x = (j - p/128) / 4, |x| < 2 -> 16 taps.
    EXPECT_EQ(table->Kernel()->Taps(), 16);

    // Mild reduction: the unit 4-tap kernel, no box stage.
    auto mild = TResizeTable::Build(TResizeTable::kCubic, 1000, 999);
    EXPECT_FALSE(mild->HasBox());
    EXPECT_EQ(mild->IntermediateLength(), 1000);
    EXPECT_EQ(mild->Kernel()->Taps(), 4);
    EXPECT_EQ(mild->Kernel()->Row(0)[1], ResizeKernel::kOne);

    // Bilinear boxes straight to the destination: no convolution stage.
    auto bilinear = TResizeTable::Build(TResizeTable::kBilinear, 4000, 100);
    EXPECT_TRUE(bilinear->HasBox());
    EXPECT_FALSE(bilinear->HasFilter());
    EXPECT_EQ(bilinear->Index()[1], 40);

    // One output: one box over everything.
    auto single = TResizeTable::Build(TResizeTable::kCubic, 9, 1);
    EXPECT_TRUE(single->HasBox());
    EXPECT_FALSE(single->HasFilter());
    EXPECT_EQ(single->BoxCount(), std::vector<int32_t>{9});
}

TEST(ResamplerArithmeticTest, BoxesPartitionTheSourceExactly) {
    for (int s : {401, 999, 1165, 6000, 65535}) {
        auto table = TResizeTable::Build(TResizeTable::kCubic, s, 97);
        ASSERT_TRUE(table->HasBox());
        const std::vector<int32_t>& counts = table->BoxCount();
        EXPECT_EQ(std::accumulate(counts.begin(), counts.end(), 0), s);
        EXPECT_GE(*std::min_element(counts.begin(), counts.end()), 1);
        EXPECT_EQ(table->BoxStart().front(), 0);
        EXPECT_EQ(table->BoxStart().back(), s);
    }
}

TEST(ResamplerArithmeticTest, UnknownKindsCountAsCubicButTheKernelBuilderRefusesThem) {
    EXPECT_EQ(TResizeTable::Build(17, 100, 30)->KernelKind(), TResizeTable::kCubic);
    EXPECT_THROW(ResizeKernel::CubicWidened(5, 0.5, 0.5), EngineException);
    EXPECT_EQ(TResizeTable::Build(2, 0, 3), nullptr);
    EXPECT_EQ(TResizeTable::Build(2, 3, -1), nullptr);
    EXPECT_EQ(TResizeTable::Build(2, TResizeTable::kMaxLength + 1, 3), nullptr);
}

TEST(ResamplerArithmeticTest, SharperKindsInterpolateTheirParameterByScale) {
    // Kind 4 at overall scale 0.25 uses a = -2.2; at scale 0.625 it is halfway to -1.0.
    const double a = -1.6;
    auto kernel = ResizeKernel::CubicWidened(4, 0.625, 0.625);
    const double t = 0.625 / 1.05;
    std::vector<double> w;
    for (int j = -4; j <= 5; ++j) {
        w.push_back(ResizeKernel::Keys(j * t, a));
    }
    const double sum = std::accumulate(w.begin(), w.end(), 0.0);
    const int centre = 0 - kernel->FirstTap();
    EXPECT_EQ(kernel->Row(0)[centre], int16_t(int(w[4] / sum * 16384)));
}

class RowOpsTest : public ::testing::TestWithParam<const ResampleRowOps*> {};

std::vector<const ResampleRowOps*> AllRowOps() {
    std::vector<const ResampleRowOps*> ops{&PortableRowOps()};
    if (Sse2RowOps() != nullptr) {
        ops.push_back(Sse2RowOps());
    }
    return ops;
}

std::vector<uint8_t> RunPasses(const ResampleRowOps& ops, int kind, const std::vector<uint8_t>& src,
                               int w, int h, int dw, int dh) {
    auto across = TResizeTable::Build(kind, w, dw);
    auto down = TResizeTable::Build(kind, h, dh);
    std::vector<uint8_t> mid(size_t(w) * dh);
    std::vector<uint8_t> out(size_t(dw) * dh);
    EXPECT_TRUE(VerticalPass(*down, src.data(), w, w, mid.data(), w, ops));
    EXPECT_TRUE(HorizontalPass(*across, mid.data(), w, dh, out.data(), dw, ops));
    return out;
}

TEST_P(RowOpsTest, BoxOfOneTwoTwoIsTwo) {
    // 3 rows -> 1 row: one box of the three samples, (5 + 1) / 3.
    const std::vector<uint8_t> column{1, 2, 2};
    auto table = TResizeTable::Build(TResizeTable::kCubic, 3, 1);
    uint8_t out = 0;
    ASSERT_TRUE(VerticalPass(*table, column.data(), 1, 1, &out, 1, *GetParam()));
    EXPECT_EQ(out, 2);
    ASSERT_TRUE(HorizontalPass(*table, column.data(), 3, 1, &out, 1, *GetParam()));
    EXPECT_EQ(out, 2);
}

TEST_P(RowOpsTest, ConstantImagesStayConstant) {
    for (int kind = 0; kind <= 4; ++kind) {
        for (uint8_t value : {0, 1, 128, 254, 255}) {
            const std::vector<uint8_t> src(size_t(301) * 203, value);
            for (auto [dw, dh] : {std::pair{300, 202}, {150, 100}, {37, 23}, {1, 1}, {299, 1}}) {
                const auto out = RunPasses(*GetParam(), kind, src, 301, 203, dw, dh);
                EXPECT_EQ(std::count(out.begin(), out.end(), value), dw * dh)
                    << "kind " << kind << " value " << int(value) << " to " << dw << "x" << dh;
            }
        }
    }
}

TEST_P(RowOpsTest, GradientsStayMonotonicAndWithinRange) {
    std::vector<uint8_t> src(1000 * 3);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 1000; ++x) {
            src[y * 1000 + x] = uint8_t(x * 255 / 999);
        }
    }
    for (int kind = 1; kind <= 4; ++kind) {
        auto table = TResizeTable::Build(kind, 1000, 100);
        std::vector<uint8_t> out(100 * 3);
        ASSERT_TRUE(HorizontalPass(*table, src.data(), 1000, 3, out.data(), 100, *GetParam()));
        for (int i = 1; i < 100; ++i) {
            EXPECT_GE(out[i], out[i - 1]) << "kind " << kind;
        }
        // Output i sits at source position 10 i + 4.5: the line's value there within a level.
        EXPECT_NEAR(out[50], (504.5 * 255 / 999), 1.0) << "kind " << kind;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryInstructionSet, RowOpsTest, ::testing::ValuesIn(AllRowOps()),
                         [](const auto& info) { return std::string(info.param->name); });

// Rows wider than a 2 MiB strip holds are done strip by strip; the seams must not show.
TEST(ResamplerArithmeticTest, WideImagesGoThroughStripsWithoutSeams) {
    constexpr int kPeriod = 1000;
    constexpr int kWidth = 150 * kPeriod;  // well beyond one strip of a 16-tap ring
    constexpr int kRows = 9;
    std::vector<uint8_t> src(size_t(kWidth) * kRows);
    for (int y = 0; y < kRows; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            src[size_t(y) * kWidth + x] = uint8_t((x % kPeriod) * 7 + y * 31);
        }
    }
    auto down = TResizeTable::Build(TResizeTable::kCubic, kRows, 2);  // box stage and cubic
    ASSERT_TRUE(down->HasBox() && down->HasFilter());
    std::vector<uint8_t> out(size_t(kWidth) * 2);
    ASSERT_TRUE(VerticalPass(*down, src.data(), kWidth, kWidth, out.data(), kWidth));
    for (int y = 0; y < 2; ++y) {
        for (int x = kPeriod; x < kWidth; ++x) {
            ASSERT_EQ(out[size_t(y) * kWidth + x], out[size_t(y) * kWidth + x % kPeriod])
                << "column " << x;
        }
    }
}

// The vector loops must give exactly what the portable ones give.
TEST(ResamplerArithmeticTest, VectorLoopsMatchThePortableOnesExactly) {
    const ResampleRowOps* sse2 = Sse2RowOps();
    if (sse2 == nullptr) {
        GTEST_SKIP() << "no SSE2";
    }
    const ResampleRowOps& portable = PortableRowOps();
    std::mt19937 random(7);
    std::vector<uint8_t> src(size_t(613) * 419);
    for (auto& v : src) {
        v = uint8_t(random());
    }
    const std::pair<int, int> sizes[] = {{612, 418}, {300, 200}, {97, 61},
                                         {33, 419},  {613, 7},   {9, 5}};
    for (int kind = 1; kind <= 4; ++kind) {
        for (auto [dw, dh] : sizes) {
            EXPECT_EQ(RunPasses(portable, kind, src, 613, 419, dw, dh),
                      RunPasses(*sse2, kind, src, 613, 419, dw, dh))
                << "kind " << kind << " to " << dw << "x" << dh;
        }
    }
    // Box averages for every count the 16-bit path takes and every sum it can see.
    std::vector<uint16_t> sums(65536);
    std::iota(sums.begin(), sums.end(), 0);
    std::vector<uint8_t> a(sums.size());
    std::vector<uint8_t> b(sums.size());
    for (int n = 2; n <= kMaxBoxRowsFor16Bit; ++n) {
        const int count = 255 * n + 1;
        portable.finishBox(sums.data(), n, a.data(), count);
        sse2->finishBox(sums.data(), n, b.data(), count);
        ASSERT_EQ(a, b) << "n " << n;
        for (int s = 0; s < count; s += 97) {
            ASSERT_EQ(a[s], (s + n / 2) / n);
        }
    }
}

}  // namespace
}  // namespace ThumbMetaLib
