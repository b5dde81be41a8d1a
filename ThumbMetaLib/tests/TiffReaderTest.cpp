// TIFF through libtiff: the layouts, depths, photometric interpretations and compressions of
// generated files against libtiff's own tiff2rgba (and ImageMagick for float), damaged and
// hostile files, and libtiff's messages in our log.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "ThumbMetaLib/formats/tiff/TiffFormatError.h"
#include "ThumbMetaLib/formats/tiff/TiffImage.h"
#include "ThumbMetaLib/tests/LayeredDocumentBuilder.h"
#include "ThumbMetaLib/tests/RasterTestSupport.h"
#include "kvfoundation/tests/FoundationTestSupport.h"

namespace ThumbMetaLib {
namespace {

using layeredtest::Bytes;

// A one-strip 8-bit grayscale TIFF (little-endian) of `width` x `height` whose strip starts at
// `stripOffset` (0: right after the directory) and whose directory chain continues at `next`.
Bytes TinyTiff(uint32_t width, uint32_t height, uint32_t stripOffset, uint32_t next) {
    Bytes b = {'I', 'I', 42, 0, 8, 0, 0, 0};
    const auto put16 = [&](uint32_t v) {
        b.push_back(uint8_t(v));
        b.push_back(uint8_t(v >> 8));
    };
    const auto put32 = [&](uint32_t v) {
        put16(v & 0xFFFF);
        put16(v >> 16);
    };
    const uint16_t entries = 8;
    const uint32_t dataAt = 8 + 2 + entries * 12 + 4;
    const auto entry = [&](uint16_t tag, uint16_t type, uint32_t value) {
        put16(tag);
        put16(type);
        put32(1);
        type == 3 ? (put16(value), put16(0)) : put32(value);
    };
    put16(entries);
    entry(256, 4, width);
    entry(257, 4, height);
    entry(258, 3, 8);
    entry(259, 3, 1);
    entry(262, 3, 1);
    entry(273, 4, stripOffset != 0 ? stripOffset : dataAt);
    entry(278, 4, height);
    entry(279, 4, width * height);
    put32(next);
    for (uint32_t i = 0; i < std::min<uint32_t>(width * height, 4096); ++i) {
        b.push_back(uint8_t(i * 7));
    }
    return b;
}

class TiffReaderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(scratch.Ok()); }

    RasterImage Read(const Bytes& file) {
        MemoryRasterSource source(file.data(), file.size());
        return ReadTiffImage(source, "test.tif");
    }

    colortest::ScratchFolder scratch;
};

TEST_F(TiffReaderTest, GeneratedVariantsMatchLibtiffsOwnRender) {
    const std::string base = rastertest::CorpusFile("tiff/libtiff-rgb-3c-8b.tiff");
    struct Variant {
        const char* name;
        std::string make;  // the command that writes the variant to OUT
        double bound;      // measured (in brackets) with headroom
    };
    const std::string convert = "convert '" + base + "' ";
    const std::vector<Variant> variants = {
        {"palette-lzw", convert + "-colors 16 -type Palette -compress LZW OUT", 0.5},
        {"gray4-min-is-white",
         convert + "-colorspace Gray -depth 4 -define tiff:photometric=min-is-white OUT", 2},
        {"gray2", convert + "-colorspace Gray -depth 2 OUT", 2},
        {"bilevel-g3", convert + "-monochrome -compress Fax OUT", 0.5},
        {"planar-deflate", convert + "-interlace Plane -compress Zip OUT", 0.5},
        {"tiled-packbits", convert + "-define tiff:tile-geometry=64x64 -compress RLE OUT", 0.5},
        {"rgba16-unassociated",
         convert + "-alpha set -channel A -fx 'i/w' +channel -define tiff:alpha=unassociated "
                   "-depth 16 -compress LZW OUT",
         0.5},
        {"rgba8-associated",
         convert + "-alpha set -channel A -fx 'j/h' +channel -define tiff:alpha=associated OUT",
         0.5},
        {"ycbcr-jpeg", "tiffcp -c jpeg -r 16 '" + base + "' OUT", 0.5},
    };
    for (const Variant& v : variants) {
        const std::string out = scratch.File(std::string(v.name) + ".tif");
        std::string command = v.make;
        command.replace(command.find("OUT"), 3, "'" + out + "'");
        ASSERT_TRUE(colortest::Run(command)) << "could not make " << v.name << ": " << command;
        test::RgbImage ours;
        test::RgbImage theirs;
        ASSERT_TRUE(rastertest::OurRender(out, ours)) << v.name;
        ASSERT_TRUE(rastertest::LibtiffRender(out, scratch, theirs)) << v.name;
        const double mean = rastertest::MeanDifference(ours, theirs);
        std::printf("%-22s mean difference %.2f\n", v.name, mean);
        EXPECT_LE(mean, v.bound) << v.name;
    }

    // Float samples, which libtiff's RGBA interface does not read: against ImageMagick.
    const std::string floats = scratch.File("float.tif");
    ASSERT_TRUE(colortest::Run(convert +
                               "-depth 32 -define quantum:format=floating-point -compress Zip '" +
                               floats + "'"));
    test::RgbImage ours;
    test::RgbImage theirs;
    ASSERT_TRUE(rastertest::OurRender(floats, ours));
    ASSERT_TRUE(rastertest::ImageMagickRender(floats, scratch, theirs));
    EXPECT_LE(rastertest::MeanDifference(ours, theirs), 0.5);
}

TEST_F(TiffReaderTest, DamagedStripsStayWhiteAndTheRestIsDecoded) {
    // The corpus's cut file still holds its whole first image (the cut falls after it).
    const auto readFile = [&](const std::string& path) {
        auto source = OpenFileRasterSource(path);
        EXPECT_NE(source, nullptr) << path;
        return ReadTiffImage(*source, path);
    };
    const RasterImage cut =
        readFile(rastertest::CorpusFile("tiff/derived-pil-tiff_adobe_deflate-truncated-50pct.tif"));
    const RasterImage whole =
        readFile(rastertest::CorpusFile("tiff/pil-tiff_adobe_deflate-icc-xmp.tif"));
    EXPECT_EQ(rastertest::MeanDifference(rastertest::ToRgb(*cut.pixels),
                                         rastertest::ToRgb(*whole.pixels)),
              0.0);

    // Deflate strips of 8 rows, strips 5 and 6 overwritten: those rows come out white, the
    // others as libtiff decodes them, with a log line.
    const std::string good = scratch.File("strips.tif");
    ASSERT_TRUE(colortest::Run("tiffcp -c zip -r 8 '" +
                               rastertest::CorpusFile("tiff/libtiff-rgb-3c-8b.tiff") + "' '" +
                               good + "'"));
    Bytes damaged = colortest::ReadAll(good);
    const RasterImage intact = Read(damaged);
    const size_t stripBytes = damaged.size() / 20;
    std::fill(damaged.begin() + 5 * stripBytes, damaged.begin() + 7 * stripBytes, 0xFF);
    auto log = kvtest::CaptureLog::Install();
    const RasterImage partial = Read(damaged);
    kvtest::CaptureLog::Uninstall();
    const test::RgbImage a = rastertest::ToRgb(*partial.pixels);
    const test::RgbImage b = rastertest::ToRgb(*intact.pixels);
    const size_t row = size_t{a.width} * 3;
    EXPECT_TRUE(std::equal(a.rgb.begin(), a.rgb.begin() + row * 24, b.rgb.begin()));
    EXPECT_TRUE(std::equal(a.rgb.end() - row * 40, a.rgb.end(), b.rgb.end() - row * 40));
    EXPECT_TRUE(std::all_of(a.rgb.begin() + row * 48, a.rgb.begin() + row * 56,
                            [](uint8_t v) { return v == 255; }));
    bool reported = false;
    for (const auto& line : log->lines) {
        reported |= line.text.find("undecodable") != std::string::npos;
    }
    EXPECT_TRUE(reported);
}

TEST_F(TiffReaderTest, HostileFilesAreRefusedQuicklyWithALogLine) {
    // A directory chain that points back at itself: only the first image is read.
    const RasterImage looped = Read(TinyTiff(4, 2, 0, 8));
    EXPECT_EQ(looped.pixels->Width(), 4u);
    EXPECT_EQ(colortest::SampleAt(*looped.pixels, 1, 0, 0), 7);

    auto log = kvtest::CaptureLog::Install();
    // A strip past the end of the file: libtiff's error reaches our log at level 1, and there
    // is no image.
    EXPECT_THROW(Read(TinyTiff(4, 2, 1u << 30, 0)), TiffFormatError);
    kvtest::CaptureLog::Uninstall();
    bool errorLogged = false;
    for (const auto& line : log->lines) {
        errorLogged |= line.level == 1 && line.text.find("TIFF: ") != std::string::npos;
    }
    EXPECT_TRUE(errorLogged);

    // A size whose pixels would pass 1 GiB, refused before anything is allocated.
    const auto start = std::chrono::steady_clock::now();
    try {
        Read(TinyTiff(100000, 100000, 0, 0));
        ADD_FAILURE() << "a 100000 x 100000 image was accepted";
    } catch (const TiffFormatError& error) {
        EXPECT_NE(std::string(error.what()).find("1 GiB"), std::string::npos) << error.what();
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    // Not TIFF at all.
    EXPECT_THROW(Read({'I', 'I', 42, 0, 0xFF, 0xFF, 0xFF, 0x7F}), TiffFormatError);
}

TEST_F(TiffReaderTest, ProfileResolutionModeAndFirstPage) {
    auto source =
        OpenFileRasterSource(rastertest::CorpusFile("tiff/pil-tiff_16bit_RGBa-icc-xmp.tiff"));
    ASSERT_NE(source, nullptr);
    const RasterImage rgba = ReadTiffImage(*source, "rgba");
    EXPECT_FALSE(rgba.iccProfile.empty());
    EXPECT_EQ(rgba.bitsPerChannel, 16);
    EXPECT_EQ(rgba.pixels->Channels(), 3);
    EXPECT_FALSE(ReadTiffXMP(*source, "rgba").empty());

    // The first of three pages; bitmap files report mode 0 and give one gray plane.
    source = OpenFileRasterSource(rastertest::CorpusFile("tiff/pil-g4-multi-3pages.tiff"));
    ASSERT_NE(source, nullptr);
    const RasterImage g4 = ReadTiffImage(*source, "g4");
    EXPECT_EQ(g4.fileMode, kModeBitmap);
    EXPECT_EQ(g4.pixels->Mode(), kModeGrayscale);
    FBImageInfo info;
    ASSERT_TRUE(ReadTiffInfo(*source, "g4", info));
    EXPECT_EQ(info.width, 3307);
    EXPECT_GT(info.resolution, 72);
}

}  // namespace
}  // namespace ThumbMetaLib
