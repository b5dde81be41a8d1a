// Composites of the corpus's layered documents and TIFF files against independent readers:
// ImageMagick's flattened sRGB render of the same file, its device samples for CMYK (so that
// the colour engine's own CMYK conversion is not what is compared), and libtiff's tiff2rgba
// for old-style JPEG, which ImageMagick leaves in YCbCr.
#include <cstdio>

#include "ThumbMetaLib/tests/RasterTestSupport.h"

namespace ThumbMetaLib {
namespace {

enum class Oracle { kImageMagickSRGB, kImageMagickCMYK, kLibtiffRGBA };

struct OracleCase {
    const char* file;
    Oracle oracle;
    double bound;  // the largest mean difference per sample accepted; measured ones below
};

class RasterOracleTest : public ::testing::TestWithParam<OracleCase> {};

TEST_P(RasterOracleTest, CompositeMatchesTheIndependentReader) {
    const OracleCase& c = GetParam();
    const std::string path = rastertest::CorpusFile(c.file);
    colortest::ScratchFolder scratch;
    ASSERT_TRUE(scratch.Ok());
    double mean = 256;
    if (c.oracle == Oracle::kImageMagickCMYK) {
        colortest::Samples ours;
        colortest::Samples theirs;
        ASSERT_TRUE(rastertest::OurSamples(path, ours)) << path;
        ASSERT_EQ(ours.channels, 4) << path;
        ASSERT_TRUE(rastertest::ImageMagickSamples(path, scratch, "cmyk", 4, theirs)) << path;
        mean = rastertest::MeanDifference(ours, theirs);
    } else {
        test::RgbImage ours;
        test::RgbImage theirs;
        ASSERT_TRUE(rastertest::OurRender(path, ours)) << path;
        ASSERT_TRUE(c.oracle == Oracle::kLibtiffRGBA
                        ? rastertest::LibtiffRender(path, scratch, theirs)
                        : rastertest::ImageMagickRender(path, scratch, theirs))
            << "the reference tool could not render " << path;
        mean = rastertest::MeanDifference(ours, theirs);
    }
    std::printf("%-50s mean difference %.2f (bound %.1f)\n", c.file, mean, c.bound);
    EXPECT_LE(mean, c.bound) << path;
}

// Bounds: measured difference (in brackets) with headroom. Lab goes through different
// conversions on the two sides (ours: Little CMS from the Lab D50 profile; ImageMagick: its own
// formulas), 32-bit float through different encodings of linear light.
INSTANTIATE_TEST_SUITE_P(
    Corpus, RasterOracleTest,
    ::testing::Values(
        OracleCase{"psd/pil-hopper-rgb8-layers.psd", Oracle::kImageMagickSRGB, 1},  // 0.28
        OracleCase{"psd/psdt-0layers.psb", Oracle::kImageMagickSRGB, 1.5},          // 0.66
        OracleCase{"psd/psdt-32bit5x5.psd", Oracle::kImageMagickSRGB, 1.5},         // 0.59
        OracleCase{"psd/psdt-cmyk-spot-cmyk8.psd", Oracle::kImageMagickCMYK, 0.5},
        OracleCase{"psd/psdt-colormodes-4x4_16bit_rgb.psd", Oracle::kImageMagickSRGB, 1},  // 0.25
        OracleCase{"psd/psdt-colormodes-4x4_8bit_lab.psd", Oracle::kImageMagickSRGB, 6},   // 4.02
        OracleCase{"psd/psdt-gray1-gray8.psd", Oracle::kImageMagickSRGB, 1},               // 0.43
        OracleCase{"psd/psdt-transparentbg-gimp.psd", Oracle::kImageMagickSRGB, 1},        // 0.01
        OracleCase{"tiff/libtiff-ojpeg_zackthecat_subsamp22.tiff", Oracle::kLibtiffRGBA, 1},
        OracleCase{"tiff/libtiff-quad-tile-jpeg.tiff", Oracle::kImageMagickSRGB, 1},       // 0.00
        OracleCase{"tiff/libtiff-rgb-3c-16b.tiff", Oracle::kImageMagickSRGB, 1},           // 0.49
        OracleCase{"tiff/libtiff-rgb-3c-8b.tiff", Oracle::kImageMagickSRGB, 0.5},          // 0.00
        OracleCase{"tiff/pil-g4-multi-3pages.tiff", Oracle::kImageMagickSRGB, 0.5},        // 0.00
        OracleCase{"tiff/pil-hopper-Lab-xmp.tif", Oracle::kImageMagickSRGB, 4},            // 2.64
        OracleCase{"tiff/pil-tiff_16bit_RGBa-icc-xmp.tiff", Oracle::kImageMagickSRGB, 1},  // 0.45
        OracleCase{"tiff/pil-tiff_adobe_deflate-icc-xmp.tif", Oracle::kImageMagickSRGB, 0.5},
        OracleCase{"tiff/pil-tiff_strip_cmyk_16l-xmp.tif", Oracle::kImageMagickCMYK, 0.5},
        OracleCase{"tiff/pil-tiff_strip_cmyk_jpeg-xmp.tif", Oracle::kImageMagickCMYK, 0.5}));

}  // namespace
}  // namespace ThumbMetaLib
