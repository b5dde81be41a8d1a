// Everything the encoder writes must decode with an independent decoder (libjpeg-turbo) to
// samples close to the input; equal coefficients must give equal samples whatever the mode.
#include <gtest/gtest.h>

#include <cstdio>

#include "EncodeTestSupport.h"

using namespace hxjpeg_test;

namespace {

struct Mode {
    uint32_t scanMode;
    uint32_t bandMode;
};
constexpr Mode kModes[] = {{0, 0}, {1, 2}, {2, 0}, {3, 0}};

// PSNR measured on MakePhoto(203, 131) decoded by libjpeg-turbo (islow IDCT), less 0.5 dB.
// Index: quality. The photo carries +-4 of noise, which bounds the high qualities.
constexpr double kMinPsnrGrey[13] = {31.7, 32.9, 34.7, 35.8, 36.5, 37.4, 38.4,
                                     37.8, 39.3, 40.7, 43.7, 48.1, 53.2};
constexpr double kMinPsnrRgb[13] = {29.7, 30.8, 32.4, 33.2, 33.8, 35.0, 36.5,
                                    36.6, 38.2, 39.4, 42.2, 45.9, 48.2};
constexpr double kMinPsnrCmyk[13] = {30.6, 31.8, 33.8, 34.9, 35.8, 36.8, 37.9,
                                     37.3, 38.8, 40.2, 43.0, 46.7, 49.8};

}  // namespace

TEST(EncodeReferenceDecode, EveryQualityModeAndColourSpaceDecodesWithinItsPsnrBound) {
    for (uint32_t channels : {1u, 3u, 4u}) {
        const double* bounds = channels == 1   ? kMinPsnrGrey
                               : channels == 3 ? kMinPsnrRgb
                                               : kMinPsnrCmyk;
        SourceImage image = MakePhoto(203, 131, channels);
        for (uint32_t quality = 0; quality <= 12; ++quality) {
            for (const Mode& mode : kModes) {
                SCOPED_TRACE(testing::Message()
                             << "channels " << channels << " quality " << quality << " scan "
                             << mode.scanMode << " band " << mode.bandMode);
                std::vector<uint8_t> file;
                ASSERT_EQ(Encode(image, Options(quality, mode.scanMode, mode.bandMode), file), 0);
                const ReferenceDecode decoded = DecodeWithLibjpeg(file);
                ASSERT_TRUE(decoded.ok) << decoded.error;
                ASSERT_EQ(decoded.image.width, image.width);
                ASSERT_EQ(decoded.image.height, image.height);
                ASSERT_EQ(decoded.image.channels, channels);
                const double psnr = Psnr(image, decoded.image);
                EXPECT_GE(psnr, bounds[quality]);
                if (mode.scanMode == 0 && mode.bandMode == 0) {
                    std::printf("channels %u quality %2u: %6zu bytes, PSNR %.2f dB\n", channels,
                                quality, file.size(), psnr);
                }
            }
        }
    }
}

TEST(EncodeReferenceDecode, OddSizesDecodeInEveryColourSpace) {
    const uint32_t sizes[][2] = {{1, 1}, {1, 17}, {17, 1}, {7, 9}, {15, 16}, {33, 31}, {65, 3}};
    for (uint32_t channels : {1u, 3u, 4u}) {
        for (const auto& size : sizes) {
            SourceImage image = MakePhoto(size[0], size[1], channels, size[0] * 31 + size[1]);
            for (uint32_t quality : {3u, 8u}) {
                for (const Mode& mode : kModes) {
                    SCOPED_TRACE(testing::Message()
                                 << size[0] << "x" << size[1] << " channels " << channels
                                 << " quality " << quality << " scan " << mode.scanMode);
                    std::vector<uint8_t> file;
                    ASSERT_EQ(Encode(image, Options(quality, mode.scanMode, mode.bandMode), file),
                              0);
                    const ReferenceDecode decoded = DecodeWithLibjpeg(file);
                    ASSERT_TRUE(decoded.ok) << decoded.error;
                    ASSERT_EQ(decoded.image.width, size[0]);
                    ASSERT_EQ(decoded.image.height, size[1]);
                    EXPECT_GE(Psnr(image, decoded.image), 27.0);
                }
            }
        }
    }
}

// Band-wise, whole-image, extended and progressive files hold the same quantised
// coefficients; only the entropy coding differs, so a decoder must produce identical samples.
TEST(EncodeReferenceDecode, AllScanAndBandModesDecodeToIdenticalSamples) {
    for (uint32_t channels : {1u, 3u}) {
        SourceImage image = MakePhoto(150, 77, channels, 7);
        for (uint32_t quality : {0u, 5u, 8u, 12u}) {
            std::vector<uint8_t> reference;
            ASSERT_EQ(Encode(image, Options(quality, 2, 2), reference), 0);
            const ReferenceDecode expected = DecodeWithLibjpeg(reference);
            ASSERT_TRUE(expected.ok);
            for (const Mode& mode : kModes) {
                std::vector<uint8_t> file;
                ASSERT_EQ(Encode(image, Options(quality, mode.scanMode, mode.bandMode), file), 0);
                const ReferenceDecode decoded = DecodeWithLibjpeg(file);
                ASSERT_TRUE(decoded.ok);
                EXPECT_EQ(decoded.image.pixels, expected.image.pixels)
                    << "quality " << quality << " scan " << mode.scanMode << " band "
                    << mode.bandMode;
            }
        }
    }
}
