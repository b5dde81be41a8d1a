#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include <random>

#include "ThumbMetaLib/resample/Resample.h"
#include "ThumbMetaLib/resample/SeparableResampler.h"
#include "ThumbMetaLib/resample/SourceFileDecoder.h"

namespace ThumbMetaLib {
namespace {

PixelsPtr Filled(uint32_t w, uint32_t h, int channels, int layout, uint8_t value = 90) {
    PixelsPtr pixels =
        Pixels::Create(w, h, channels, channels == 4 ? kModeCMYK : kModeRGB, layout, true);
    std::memset(pixels->Bytes(), value, pixels->ByteCount());
    return pixels;
}

TEST(ScaleToFitTest, FitKeepsTheLongerSideAtTheMaximumWithTruncation) {
    EXPECT_EQ(FitToSize(1600, 1200, 256), std::make_pair(256u, 192u));
    EXPECT_EQ(FitToSize(1200, 1600, 256), std::make_pair(192u, 256u));
    EXPECT_EQ(FitToSize(257, 1, 256), std::make_pair(256u, 0u));
    EXPECT_EQ(FitToSize(1000, 999, 256), std::make_pair(256u, 255u));  // 255.744 truncates
    EXPECT_EQ(FitToSize(0xFFFFFFFFu, 0xFFFFFFFEu, 256), std::make_pair(256u, 255u));  // no wrap
}

TEST(ScaleToFitTest, SmallImagesAreNeverEnlarged) {
    EXPECT_EQ(ScaleToFit(*Filled(200, 100, 3, kLayoutPlanar), 256, kScaleCubic), nullptr);
    EXPECT_EQ(ScaleToFit(*Filled(256, 256, 3, kLayoutPlanar), 256, kScaleCubic), nullptr);
    EXPECT_EQ(Resample(*Filled(200, 100, 3, kLayoutPlanar), 300, 50, kScaleCubic), nullptr);
    EXPECT_EQ(Resize(*Filled(200, 100, 3, kLayoutPlanar), 200, 100, kScaleCubic), nullptr);
}

TEST(ScaleToFitTest, EveryModeMakesTheFittedSizeInItsLayout) {
    for (int mode : {kScaleKernels, kScaleCubic, kScaleCubicSharp}) {
        PixelsPtr source = Filled(1600, 1200, 3, kLayoutPlanar);
        PixelsPtr fitted = ScaleToFit(*source, 256, mode);
        ASSERT_TRUE(fitted && fitted->Bytes()) << "mode " << mode;
        EXPECT_EQ(fitted->Width(), 256u);
        EXPECT_EQ(fitted->Height(), 192u);
        EXPECT_EQ(fitted->Layout(), kLayoutPlanar);
        EXPECT_EQ(fitted->Plane(2)[191 * fitted->RowBytes() + 255], 90);

        // 257 x 1 fits to 256 x 0, which Resize turns into 256 x 1.
        PixelsPtr line = ScaleToFit(*Filled(257, 1, 3, kLayoutPlanar), 256, mode);
        ASSERT_TRUE(line) << "mode " << mode;
        EXPECT_EQ(line->Width(), 256u);
        EXPECT_EQ(line->Height(), 1u);

        PixelsPtr packed = ScaleToFit(*Filled(640, 480, 4, kLayoutInterleaved, 7), 64, mode);
        ASSERT_TRUE(packed) << "mode " << mode;
        EXPECT_EQ(packed->Channels(), 4);
        EXPECT_EQ(packed->Height(), 48u);
        // Mode 0 keeps the interleaved layout; the separable resampler always makes planes.
        EXPECT_EQ(packed->Layout(), mode == kScaleKernels ? kLayoutInterleaved : kLayoutPlanar);
        EXPECT_EQ(packed->Bytes()[packed->ByteCount() - 1], 7);
    }
}

TEST(ScaleToFitTest, ResultsKeepTheSourceColourState) {
    PixelsPtr source = Filled(100, 100, 1, kLayoutPlanar);
    source->SetInOutputSpace(true);
    PixelsPtr result = Resize(*source, 10, 10, kScaleCubic);
    ASSERT_TRUE(result);
    EXPECT_TRUE(result->InOutputSpace());
    EXPECT_EQ(result->Mode(), source->Mode());
}

TEST(ScaleToFitTest, BadBuffersAreRefusedCleanly) {
    for (int mode : {kScaleKernels, kScaleCubic, kScaleCubicSharp}) {
        PixelsPtr noData = Pixels::Create(100, 100, 3, kModeRGB, kLayoutPlanar, false);
        EXPECT_EQ(Resize(*noData, 10, 10, mode), nullptr);
        PixelsPtr noChannels = Pixels::Create(100, 100, 0, 12, kLayoutPlanar, true);
        EXPECT_EQ(Resize(*noChannels, 10, 10, mode), nullptr);
        PixelsPtr twoInterleaved =
            Pixels::Create(100, 100, 2, kModeDuotone, kLayoutInterleaved, true);
        EXPECT_EQ(Resize(*twoInterleaved, 10, 10, mode), nullptr);
        PixelsPtr shortMemory = Pixels::Create(100, 100, 3, kModeRGB, kLayoutPlanar, false);
        shortMemory->SetData(PixelData::Allocate(100));  // refused: keeps no data
        EXPECT_EQ(Resize(*shortMemory, 10, 10, mode), nullptr);
        PixelsPtr empty = Pixels::Create(0, 0, 3, kModeRGB, kLayoutPlanar, true);
        EXPECT_EQ(Resample(*empty, 0, 0, mode), nullptr);
        EXPECT_EQ(Resample(*Filled(10, 10, 3, kLayoutPlanar), 0, 5, mode), nullptr);
    }
    // Two channels planar: the separable resampler serves any count, the kernels do not.
    PixelsPtr duotone = Filled(100, 100, 2, kLayoutPlanar);
    EXPECT_TRUE(Resize(*duotone, 10, 10, kScaleCubic));
    EXPECT_EQ(Resize(*duotone, 10, 10, kScaleKernels), nullptr);
}

// The separable resampler takes interleaved sources apart at different points depending on the
// pass order; every order must give exactly what the same pixels in planes give.
TEST(ScaleToFitTest, InterleavedSourcesResampleExactlyLikePlanarOnes) {
    for (int channels : {3, 4}) {
        const uint32_t w = 203;
        const uint32_t h = 151;
        PixelsPtr packed = Pixels::Create(w, h, channels, kModeRGB, kLayoutInterleaved, true);
        PixelsPtr planar = Pixels::Create(w, h, channels, kModeRGB, kLayoutPlanar, true);
        uint32_t seed = 12345;
        for (uint32_t y = 0; y < h; ++y) {
            for (uint32_t x = 0; x < w; ++x) {
                for (int c = 0; c < channels; ++c) {
                    seed = seed * 1103515245 + 12345;
                    const uint8_t v = uint8_t((seed >> 16) ^ (x * 3 + y * c));
                    packed->Bytes()[size_t(y) * packed->RowBytes() + x * channels + c] = v;
                    planar->Plane(c)[size_t(y) * planar->RowBytes() + x] = v;
                }
            }
        }
        const std::pair<uint32_t, uint32_t> sizes[] = {{50, 100}, {150, 20}, {203, 40}, {60, 151}};
        for (auto [dw, dh] : sizes) {
            PixelsPtr a = Resample(*packed, dw, dh, kScaleCubic);
            PixelsPtr b = Resample(*planar, dw, dh, kScaleCubic);
            ASSERT_TRUE(a && b && a->Bytes() && b->Bytes());
            for (int c = 0; c < channels; ++c) {
                for (uint32_t y = 0; y < dh; ++y) {
                    const size_t row = size_t(y) * a->RowBytes();
                    ASSERT_EQ(std::memcmp(a->Plane(c) + row, b->Plane(c) + row, dw), 0)
                        << channels << " channels to " << dw << "x" << dh << " row " << y;
                }
            }
        }
    }
}

// Random geometry, kinds and layouts (run under AddressSanitizer, which also guards the scratch
// blocks): every reduction yields the asked size and a flat image stays flat.
TEST(ScaleToFitTest, RandomGeometriesStayInBoundsAndKeepFlatImagesFlat) {
    std::mt19937 random(2024);
    for (int iteration = 0; iteration < 300; ++iteration) {
        const uint32_t sw = 1 + random() % 700;
        const uint32_t sh = 1 + random() % 300;
        const uint32_t dw = 1 + random() % sw;
        const uint32_t dh = 1 + random() % sh;
        const int kind = int(random() % 5);
        const bool packed = random() % 3 == 0;
        const int channels = packed ? 3 + int(random() % 2) : 1 + int(random() % 4);
        const uint8_t value = uint8_t(random());
        PixelsPtr source =
            Filled(sw, sh, channels, packed ? kLayoutInterleaved : kLayoutPlanar, value);
        PixelsPtr out = ResampleSeparable(*source, dw, dh, kind);
        ASSERT_TRUE(out && out->Bytes()) << sw << "x" << sh << " -> " << dw << "x" << dh;
        ASSERT_EQ(out->Width(), dw);
        ASSERT_EQ(out->Height(), dh);
        for (int c = 0; c < channels; ++c) {
            for (uint32_t y = 0; y < dh; ++y) {
                const uint8_t* row = out->Plane(c) + size_t(y) * out->RowBytes();
                ASSERT_EQ(std::count(row, row + dw, value), dw)
                    << "kind " << kind << " " << sw << "x" << sh << " -> " << dw << "x" << dh;
            }
        }
    }
}

class SourceFileDecoderTest : public ::testing::Test {
protected:
    void TearDown() override { SetSourceFileDecoder(nullptr); }
};

TEST_F(SourceFileDecoderTest, BuffersNamingTheirFileAreResizedFromAFreshDecode) {
    std::string asked;
    SetSourceFileDecoder([&asked](const std::string& path) {
        asked = path;
        return Filled(800, 600, 3, kLayoutPlanar, 200);
    });
    PixelsPtr reduced = Filled(100, 75, 3, kLayoutPlanar, 10);
    reduced->SetSourceFile("/photos/a.jpg");
    PixelsPtr fitted = ScaleToFit(*reduced, 80, kScaleCubic);
    EXPECT_EQ(asked, "/photos/a.jpg");
    ASSERT_TRUE(fitted);
    EXPECT_EQ(fitted->Width(), 80u);
    EXPECT_EQ(fitted->Height(), 60u);
    EXPECT_EQ(fitted->Plane(0)[0], 200);  // from the decoded image, not the reduced one

    SetSourceFileDecoder([](const std::string&) { return PixelsPtr(); });
    EXPECT_EQ(ScaleToFit(*reduced, 80, kScaleCubic), nullptr);

    // Without a decoder the buffer in hand is used.
    SetSourceFileDecoder(nullptr);
    PixelsPtr own = ScaleToFit(*reduced, 80, kScaleCubic);
    ASSERT_TRUE(own);
    EXPECT_EQ(own->Plane(0)[0], 10);
}

}  // namespace
}  // namespace ThumbMetaLib
