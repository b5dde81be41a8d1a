// The encoder's files through the codec's own decoder.
#include <gtest/gtest.h>

#include "EncodeTestSupport.h"

using namespace hxjpeg_test;

namespace {

SourceImage DecodeOwn(const std::vector<uint8_t>& file, uint32_t colorSpace, uint32_t channels) {
    HXJPEGDecoder* decoder = nullptr;
    SourceImage out;
    EXPECT_EQ(HXJPEGDecoderCreateUsingData(HXJPEGData{file.data(), uint32_t(file.size())},
                                           HXJPEGDecodeOptions{1, 1}, false, nullptr, &decoder),
              0);
    HXJPEGHeader header{};
    EXPECT_EQ(HXJPEGDecoderReadHeader(decoder, nullptr, &header), 0);
    out = SourceImage{header.width, header.height, channels,
                      std::vector<uint8_t>(size_t{header.width} * header.height * channels)};
    EXPECT_EQ(HXJPEGDecoderReadContent(decoder, colorSpace, ContentOf(out)), 0);
    HXJPEGDecoderRelease(decoder);
    return out;
}

}  // namespace

TEST(EncodeOwnDecoder, ProgressiveAndSequentialFilesDecodeToIdenticalSamples) {
    HXJPEGLibInit();
    for (uint32_t channels : {1u, 3u, 4u}) {
        SourceImage image = MakePhoto(77, 45, channels, 21);
        const uint32_t colorSpace = ColorSpaceFor(channels);
        for (uint32_t quality = 0; quality <= 12; ++quality) {
            std::vector<uint8_t> extended, progressive, bandwise;
            ASSERT_EQ(Encode(image, Options(quality, 2), extended), 0);
            ASSERT_EQ(Encode(image, Options(quality, 3), progressive), 0);
            ASSERT_EQ(Encode(image, Options(quality, 0, 0), bandwise), 0);
            const SourceImage expected = DecodeOwn(extended, colorSpace, channels);
            EXPECT_EQ(DecodeOwn(progressive, colorSpace, channels).pixels, expected.pixels)
                << "channels " << channels << " quality " << quality;
            EXPECT_EQ(DecodeOwn(bandwise, colorSpace, channels).pixels, expected.pixels)
                << "channels " << channels << " quality " << quality;
            // CMYK goes through the YCCK transform and back within the usual bound.
            EXPECT_GE(Psnr(image, expected), quality < 4   ? 29.5
                                             : quality < 7 ? 33.0
                                                           : 36.0)
                << "channels " << channels << " quality " << quality;
        }
    }
}
