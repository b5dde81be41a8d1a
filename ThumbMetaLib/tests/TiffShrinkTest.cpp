// TIFF images shrunk while they are decoded: for each reading path (samples as stored, libtiff's
// RGBA interface, converted samples; strips, tiles, planar) the shrunk read equals the block
// means of the whole image, including the partial blocks at the right and bottom edges and the
// rows where the two decoding threads meet.
#include <gtest/gtest.h>

#include <cstdio>

#include "ThumbMetaLib/formats/io/BoxShrinker.h"
#include "ThumbMetaLib/formats/tiff/TiffImage.h"
#include "ThumbMetaLib/tests/RasterTestSupport.h"

namespace ThumbMetaLib {
namespace {

// The mean of every `factor` x `factor` block of `whole`, rounded as the shrinker rounds.
PixelsPtr BlockMeans(const Pixels& whole, uint32_t factor) {
    PixelsPtr out =
        Pixels::Create(ShrunkLength(whole.Width(), factor), ShrunkLength(whole.Height(), factor), 0,
                       whole.Mode(), kLayoutPlanar, true);
    for (int32_t c = 0; c < whole.Channels(); ++c) {
        for (uint32_t by = 0; by < out->Height(); ++by) {
            for (uint32_t bx = 0; bx < out->Width(); ++bx) {
                uint32_t sum = 0;
                uint32_t count = 0;
                for (uint32_t y = by * factor; y < std::min(whole.Height(), (by + 1) * factor);
                     ++y) {
                    for (uint32_t x = bx * factor; x < std::min(whole.Width(), (bx + 1) * factor);
                         ++x) {
                        sum += colortest::SampleAt(whole, x, y, c);
                        ++count;
                    }
                }
                out->Plane(c)[size_t{out->RowBytes()} * by + bx] =
                    uint8_t((sum + count / 2) / count);
            }
        }
    }
    return out;
}

colortest::Samples AllSamples(const Pixels& pixels) {
    colortest::Samples samples{pixels.Width(), pixels.Height(), pixels.Channels(), {}};
    for (int32_t c = 0; c < pixels.Channels(); ++c) {
        for (uint32_t y = 0; y < pixels.Height(); ++y) {
            for (uint32_t x = 0; x < pixels.Width(); ++x) {
                samples.bytes.push_back(colortest::SampleAt(pixels, x, y, c));
            }
        }
    }
    return samples;
}

TEST(TiffShrinkTest, ShrunkReadsEqualTheBlockMeansOfTheWholeImage) {
    colortest::ScratchFolder scratch;
    ASSERT_TRUE(scratch.Ok());
    const std::string base = rastertest::CorpusFile("tiff/libtiff-rgb-3c-8b.tiff");
    // Large enough (over a megapixel, many strips) to be read on two threads; sizes that
    // leave partial blocks at the edges.
    const std::string convert = "convert '" + base + "' -resize '1501x1103!' ";
    struct Variant {
        const char* name;
        const char* options;
    };
    const Variant variants[] = {
        {"rgb-lzw-strips", "-define tiff:rows-per-strip=7 -compress LZW"},
        {"gray-tiles", "-colorspace Gray -define tiff:tile-geometry=128x96 -compress Zip"},
        {"planar", "-interlace Plane -define tiff:rows-per-strip=16"},
        {"rgba-alpha", "-alpha set -channel A -fx 'i/w' +channel -define tiff:rows-per-strip=9"},
        {"cmyk16", "-colorspace CMYK -depth 16 -define tiff:rows-per-strip=32"},
        {"palette", "-colors 32 -type Palette -define tiff:rows-per-strip=5"},
    };
    for (const Variant& v : variants) {
        const std::string file = scratch.File(std::string(v.name) + ".tif");
        ASSERT_TRUE(colortest::Run(convert + v.options + " '" + file + "'")) << v.name;
        auto source = OpenFileRasterSource(file);
        ASSERT_NE(source, nullptr) << v.name;
        const RasterImage whole = ReadTiffImage(*source, v.name);
        for (const uint32_t size : {256u, 64u}) {
            const uint32_t factor = ShrinkFactorFor(1501, 1103, size);
            ASSERT_GT(factor, 1u);
            const RasterImage shrunk = ReadTiffImage(*source, v.name, size);
            ASSERT_EQ(shrunk.pixels->Mode(), whole.pixels->Mode()) << v.name;
            const PixelsPtr expected = BlockMeans(*whole.pixels, factor);
            const colortest::Samples a = AllSamples(*shrunk.pixels);
            const colortest::Samples b = AllSamples(*expected);
            EXPECT_EQ(rastertest::MeanDifference(a, b), 0.0) << v.name << " at " << size;
        }
    }
}

}  // namespace
}  // namespace ThumbMetaLib
