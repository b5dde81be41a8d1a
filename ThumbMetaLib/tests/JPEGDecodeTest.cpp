// The JPEG handler's decode: when it reads at one eighth, the buffer layout per request size,
// CMYK samples as ink amounts, and thumbnails against ImageMagick's.
#include <gtest/gtest.h>

#include <filesystem>

#include "ColorTestSupport.h"
#include "JPEGTestSupport.h"
#include "ThumbMetaLib/formats/jpeg/DecodeJPEG.h"
#include "ThumbMetaLib/formats/jpeg/FBJPEGFormat.h"
#include "ThumbMetaLib/resample/Resample.h"

using namespace ThumbMetaLib;

namespace {

PixelsPtr Decode(const std::vector<uint8_t>& jpeg, uint32_t size, ThumbImageInfo* info = nullptr) {
    JPEGMemorySource source(jpeg.data(), jpeg.size());
    return DecodeJPEG(source, size, info);
}

}  // namespace

TEST(JPEGDecode, ReducedExactlyWhenTheEighthCoversTheRequest) {
    struct Case {
        uint32_t width, height, size, decodedWidth, decodedHeight;
    };
    for (const Case& c : {Case{4000, 3000, 256, 500, 375}, Case{12000, 8000, 1024, 1500, 1000},
                          Case{600, 400, 256, 600, 400}, Case{1600, 1200, 256, 1600, 1200},
                          Case{4000, 3000, 1024, 4000, 3000}, Case{4000, 3000, 0, 4000, 3000}}) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " at " +
                     std::to_string(c.size));
        EXPECT_EQ(WantsReducedDecode(c.width, c.height, c.size), c.decodedWidth != c.width);
        const auto jpeg = jpegtest::EncodeGradient(c.width, c.height, HXJPEG_COLOR_RGB, 4);
        ASSERT_FALSE(jpeg.empty());
        ThumbImageInfo info;
        const auto pixels = Decode(jpeg, c.size, &info);
        ASSERT_NE(pixels, nullptr);
        // The codec rounds an eighth up to whole MCUs (4:2:0 here: 3000 rows give 376).
        EXPECT_NEAR(pixels->Width(), c.decodedWidth, 1);
        EXPECT_NEAR(pixels->Height(), c.decodedHeight, 1);
        EXPECT_EQ(info.width, pixels->Width());
        const auto fit = FitToSize(pixels->Width(), pixels->Height(), c.size ? c.size : 4000);
        EXPECT_LE(fit.first, pixels->Width());  // a thumbnail is never smaller than asked
        EXPECT_EQ(std::max(fit.first, fit.second), c.size ? c.size : 4000);
    }
}

TEST(JPEGDecode, LayoutFollowsTheRequestSize) {
    const auto gray = jpegtest::EncodeGradient(300, 200, HXJPEG_COLOR_GREY);
    const auto large = Decode(gray, 1024);
    ASSERT_NE(large, nullptr);
    EXPECT_EQ(large->Channels(), 1);
    EXPECT_EQ(large->Mode(), kModeGrayscale);
    EXPECT_EQ(large->RowBytes(), 300u);
    const auto small = Decode(gray, 256);
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(small->Channels(), 4);
    EXPECT_EQ(small->Mode(), kModeRGB);
    EXPECT_EQ(small->Layout(), kLayoutInterleaved);
    EXPECT_EQ(small->RowBytes(), 1200u);
    // Gray stays gray after the conversion to RGB, with 255 in the fourth byte.
    EXPECT_EQ(colortest::SampleAt(*small, 150, 100, 0), colortest::SampleAt(*small, 150, 100, 2));
    EXPECT_EQ(colortest::SampleAt(*small, 150, 100, 3), 255);
    EXPECT_NEAR(colortest::SampleAt(*small, 150, 100, 0), colortest::SampleAt(*large, 150, 100, 0),
                2);
}

TEST(JPEGDecode, CMYKComesBackAsInkAmounts) {
    // The encoder stores what it is given; Adobe-style files store inverted ink, so a decoded
    // stored value v must come back as 255 - v.
    const auto cmyk = jpegtest::EncodeGradient(64, 64, HXJPEG_COLOR_CMYK, 12);
    ThumbImageInfo info;
    const auto pixels = Decode(cmyk, 0, &info);
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(pixels->Mode(), kModeCMYK);
    EXPECT_EQ(info.mode, kModeCMYK);
    for (uint32_t x = 0; x < 64; x += 9) {
        EXPECT_NEAR(colortest::SampleAt(*pixels, x, 10, 0),
                    255 - jpegtest::GradientSample(x, 10, 0, 64, 64), 6);
    }
}

TEST(JPEGDecode, DamagedFilesGiveNothingOrAnImageNeverACrash) {
    for (const auto& entry :
         std::filesystem::directory_iterator(jpegtest::Corpus("jpeg/corrupt"))) {
        SCOPED_TRACE(entry.path().string());
        FBJPEGFormat handler;
        ThumbOptions options;
        ThumbImageInfo info;
        const auto thumbnail = handler.CreateThumbnail(entry.path(), 256, options);
        handler.CreateQuickThumbnail(entry.path(), info);
        if (thumbnail) {
            EXPECT_GT(thumbnail->Width(), 0u);
            EXPECT_NE(thumbnail->Bytes(), nullptr);
        }
    }
    FBJPEGFormat handler;
    ThumbOptions options;
    EXPECT_EQ(handler.CreateThumbnail("/nonexistent/file.jpg", 256, options), nullptr);
    EXPECT_EQ(options.status, -1);
}

TEST(JPEGDecode, ThumbnailsMatchImageMagick) {
    colortest::ScratchFolder scratch;
    ASSERT_TRUE(scratch.Ok());
    ASSERT_TRUE(colortest::Run("command -v convert"));
    // A photo big enough for the one-eighth decode at 256, made from a corpus photo; its sides
    // are multiples of eight so that the reduced decode keeps the aspect exactly.
    const std::string large = scratch.File("large.jpg");
    ASSERT_TRUE(colortest::Run("convert '" + jpegtest::Corpus("jpeg/wuffs-harvesters.jpeg") +
                               "' -resize '4000x3000!' -quality 92 '" + large + "'"));
    for (const std::string name :
         {"jpeg/wuffs-harvesters.jpeg", "jpeg/mei-Samsung_GT-I9000_orient6.jpg", "large.jpg"}) {
        const std::string path = name == "large.jpg" ? large : jpegtest::Corpus(name);
        ASSERT_TRUE(std::filesystem::exists(path)) << "missing corpus file " << path;
        for (uint32_t size : {256u, 1024u}) {
            SCOPED_TRACE(name + " at " + std::to_string(size));
            FBJPEGFormat handler;
            ThumbOptions options;
            FBImageInfo full;
            ASSERT_TRUE(handler.GetImageInfo(path, full));
            auto pixels = handler.CreateThumbnail(path, size, options);
            ASSERT_NE(pixels, nullptr);
            if (auto fitted = ScaleToFit(*pixels, size, kScaleCubic))
                pixels = fitted;
            // The fit rule of the full image, whatever size the decode had; never enlarged.
            const uint32_t w = uint32_t(full.width), h = uint32_t(full.height);
            const auto fit = w <= size && h <= size ? std::pair{w, h} : FitToSize(w, h, size);
            EXPECT_EQ(pixels->Width(), fit.first);
            EXPECT_EQ(pixels->Height(), fit.second);
            const std::string raw = scratch.File("ref.rgb");
            ASSERT_TRUE(colortest::Run(
                "convert '" + path + "' -colorspace sRGB -thumbnail " + std::to_string(fit.first) +
                "x" + std::to_string(fit.second) + "! -depth 8 rgb:'" + raw + "'"));
            colortest::Samples ref{pixels->Width(), pixels->Height(), 3, colortest::ReadAll(raw)};
            // Structure, not exact pixels: measured at most 2.93 (sizes 256 and 1024).
            const double mean = colortest::Compare(*pixels, ref, 3).mean;
            EXPECT_LT(mean, 5.0);
        }
    }
}
