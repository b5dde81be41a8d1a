// Conversions to sRGB against Little CMS's own command-line tool (tificc) on the same samples
// and profiles: an embedded profile, the CMYK and gray working profiles, both layouts.
#include <gtest/gtest.h>

#include <lcms2.h>

#include <cstdio>
#include <filesystem>

#include "ThumbMetaLib/color/ColorProfiles.h"
#include "ThumbMetaLib/color/ColorState.h"
#include "ThumbMetaLib/color/ConvertToOutput.h"
#include "ThumbMetaLib/tests/ColorTestSupport.h"

namespace {

using namespace ThumbMetaLib;
using colortest::Samples;

// The tool and our layer run the same engine with the same intent; the tool's default
// precalculation differs slightly from ours, so a level or two is allowed.
constexpr int kMaxLevels = 2;

class ColorOracleTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!colortest::HaveTools()) {
            GTEST_SKIP() << "tificc / ImageMagick not installed";
        }
        ASSERT_TRUE(scratch_.Ok());
    }

    // Writes `samples` as an uncompressed TIFF ("rgb", "cmyk" or "gray" samples), with `icc`
    // embedded when given, and runs tificc with `flags` on it. Returns the tool's RGB output.
    Samples Oracle(const Samples& samples, const char* kind, const std::string& icc,
                   const std::string& flags) {
        colortest::WriteAll(scratch_.File("in.raw"), samples.bytes);
        const std::string size =
            std::to_string(samples.width) + "x" + std::to_string(samples.height);
        std::string command =
            "convert -size " + size + " -depth 8 " + kind + ":'" + scratch_.File("in.raw") + "'";
        if (!icc.empty()) {
            command += " -profile '" + icc + "'";
        }
        command += " -compress none '" + scratch_.File("in.tif") + "'";
        EXPECT_TRUE(colortest::Run(command)) << command;
        const std::string tificc = "tificc " + flags + " '" + scratch_.File("in.tif") + "' '" +
                                   scratch_.File("out.tif") + "'";
        EXPECT_TRUE(colortest::Run(tificc)) << tificc;
        return colortest::ReadTiffSamples(scratch_.File("out.tif"), scratch_.File("out.raw"), "rgb",
                                          samples.width, samples.height, 3);
    }

    // ImageMagick's own conversion (it runs Little CMS at 16 bits): assigns `from`, converts to
    // the engine's built-in sRGB saved as a file.
    Samples MagickOracle(const Samples& samples, const char* kind, const std::string& from) {
        cmsHPROFILE srgb = cmsCreate_sRGBProfile();
        cmsSaveProfileToFile(srgb, scratch_.File("srgb.icc").c_str());
        cmsCloseProfile(srgb);
        colortest::WriteAll(scratch_.File("in.raw"), samples.bytes);
        const std::string size =
            std::to_string(samples.width) + "x" + std::to_string(samples.height);
        const std::string command = "convert -size " + size + " -depth 8 " + kind + ":'" +
                                    scratch_.File("in.raw") + "' -intent Perceptual -profile '" +
                                    from + "' -profile '" + scratch_.File("srgb.icc") +
                                    "' -depth 8 rgb:'" + scratch_.File("out.raw") + "'";
        EXPECT_TRUE(colortest::Run(command)) << command;
        return Samples{samples.width, samples.height, 3,
                       colortest::ReadAll(scratch_.File("out.raw"))};
    }

    colortest::ScratchFolder scratch_;
};

// Our conversion of `samples` in every layout the mode allows, against the oracle.
void ExpectMatches(const Samples& samples, int32_t mode, const ColorProfileHolder& profile,
                   const Samples& oracle, int32_t comparedChannels, const char* what,
                   bool sixteenBitOracle = false, int maxLevels = kMaxLevels) {
    ASSERT_EQ(oracle.bytes.size(), static_cast<size_t>(oracle.width) * oracle.height * 3) << what;
    std::vector<int32_t> layouts = {kLayoutPlanar};
    if (mode != kModeGrayscale) {
        layouts.push_back(kLayoutInterleaved);
    }
    for (int32_t layout : layouts) {
        PixelsPtr pixels = colortest::MakePixels(samples, mode, layout);
        ASSERT_TRUE(pixels);
        PixelsPtr result = ConvertToOutput(pixels, profile);
        ASSERT_TRUE(result);
        EXPECT_TRUE(result->InOutputSpace());
        EXPECT_EQ(result->Mode(), mode == kModeGrayscale ? kModeGrayscale : kModeRGB);
        const colortest::Difference d = colortest::Compare(*result, oracle, comparedChannels);
        std::printf("[ oracle   ] %s, layout %d: max %d levels, mean %.3f, %.3f%% beyond 2\n", what,
                    layout, d.maximum, d.mean, d.beyondTwo * 100.0);
        if (sixteenBitOracle) {
            // ImageMagick evaluates the CMYK tables directly; the engine's transforms (ours,
            // and tificc's by default) go through a precalculated grid, which differs from the
            // direct evaluation by up to ~15 levels on a few heavy-ink samples.
            EXPECT_LE(d.mean, 1.0) << what << " layout " << layout;
            EXPECT_LE(d.beyondTwo, 0.01) << what << " layout " << layout;
        } else {
            EXPECT_LE(d.maximum, maxLevels) << what << " layout " << layout;
        }
    }
}

TEST_F(ColorOracleTest, EmbeddedProfileOfACorpusPhoto) {
    // A photo with an embedded lookup-table RGB profile (Lab connection space).
    const std::string photo =
        std::string(VANTORY_CORPUS_DIR) + "/jpeg/pil-icc_profile_big-progressive.jpg";
    ASSERT_TRUE(std::filesystem::is_regular_file(photo)) << "missing test file " << photo;
    ASSERT_TRUE(
        colortest::Run("djpeg -ppm -outfile '" + scratch_.File("in.ppm") + "' '" + photo + "'"));
    ASSERT_TRUE(colortest::Run("convert '" + photo + "' '" + scratch_.File("embedded.icc") + "'"));
    ASSERT_TRUE(colortest::Run("convert '" + scratch_.File("in.ppm") + "' -depth 8 rgb:'" +
                               scratch_.File("photo.raw") + "'"));
    Samples samples{425, 250, 3, colortest::ReadAll(scratch_.File("photo.raw"))};
    ASSERT_EQ(samples.bytes.size(), 425u * 250u * 3u);

    const std::vector<uint8_t> icc = colortest::ReadAll(scratch_.File("embedded.icc"));
    const ColorProfileHolder embedded = ProfileFromICC(icc.data(), icc.size());
    ASSERT_TRUE(embedded);
    EXPECT_EQ(ProfileName(embedded), "TIFF RGB");
    const Samples oracle = Oracle(samples, "rgb", scratch_.File("embedded.icc"), "");
    // Measured: interleaved pixels match the tool exactly; planar ones, which the engine
    // evaluates without the shortcut it takes for 8-bit chunky pixels (as the tool's are),
    // differ by up to 4 levels on 0.09% of the samples.
    ExpectMatches(samples, kModeRGB, embedded, oracle, 3, "corpus photo, embedded profile", false,
                  4);
}

TEST_F(ColorOracleTest, CMYKWithoutProfileUsesTheCMYKWorkingProfile) {
    const ColorProfileHolder working = ColorState::Current()->DefaultCMYKProfile();
    ASSERT_TRUE(working) << "no CMYK working profile installed";
    std::string workingFile = ColorState::kCMYKFallbackFile;
    if (auto found = ColorState::Current()->InstalledProfiles(); found) {
        for (const auto& entry : found->Entries()) {
            if (entry.name == ColorState::kCMYKFallbackName) {
                workingFile = entry.path;
            }
        }
    }
    const Samples samples = colortest::SweepSamples(64, 48, 4);
    // tificc refuses ImageMagick's CMYK TIFFs, so ImageMagick is the oracle here.
    const Samples oracle = MagickOracle(samples, "cmyk", workingFile);
    ExpectMatches(samples, kModeCMYK, nullptr, oracle, 3, "CMYK, working profile", true);

    // Inverted (Adobe-style) storage of the complemented samples gives the same colours.
    Samples inverted = samples;
    for (uint8_t& b : inverted.bytes) {
        b = static_cast<uint8_t>(255 - b);
    }
    PixelsPtr pixels = colortest::MakePixels(inverted, kModeCMYK, kLayoutInterleaved);
    PixelsPtr result = ConvertToOutput(pixels, nullptr, CMYKStorage::kInverted);
    EXPECT_LE(colortest::Compare(*result, oracle, 3).beyondTwo, 0.01);
    for (uint32_t x = 0; x < result->Width(); ++x) {
        ASSERT_EQ(colortest::SampleAt(*result, x, 0, 3), 255);  // fourth byte of 4-byte RGB
    }
}

TEST_F(ColorOracleTest, GrayWithoutProfileUsesTheGrayWorkingProfile) {
    Samples samples{256, 4, 1, {}};
    for (int i = 0; i < 256 * 4; ++i) {
        samples.bytes.push_back(static_cast<uint8_t>(i & 0xff));
    }
    // A gamma-2.2 gray profile written by the engine's own constructor, as tificc's *Gray22 is.
    cmsToneCurve* gamma = cmsBuildGamma(nullptr, 2.2);
    cmsHPROFILE gray22 = cmsCreateGrayProfile(cmsD50_xyY(), gamma);
    cmsSaveProfileToFile(gray22, scratch_.File("gray22.icc").c_str());
    cmsCloseProfile(gray22);
    cmsFreeToneCurve(gamma);
    // tificc refuses ImageMagick's gray TIFFs, so ImageMagick is the oracle here.
    const Samples oracle = MagickOracle(samples, "gray", scratch_.File("gray22.icc"));
    // The tool writes RGB; our grayscale stays one channel, which must equal each of R, G, B.
    for (int32_t c = 0; c < 3; ++c) {
        Samples channel{256, 4, 1, {}};
        for (size_t i = 0; i < oracle.bytes.size() / 3; ++i) {
            channel.bytes.push_back(oracle.bytes[i * 3 + c]);
        }
        PixelsPtr pixels = colortest::MakePixels(samples, kModeGrayscale, kLayoutPlanar);
        PixelsPtr result = ConvertToOutput(pixels, nullptr);
        EXPECT_EQ(result->Channels(), 1);
        const colortest::Difference d = colortest::Compare(*result, channel, 1);
        EXPECT_LE(d.maximum, kMaxLevels) << "channel " << c;
        if (c == 0) {
            std::printf("[ oracle   ] gray, working profile: max %d levels, mean %.3f\n", d.maximum,
                        d.mean);
        }
    }
}

}  // namespace
