// Image containers against exiftool: a packet we inject, exiftool reads; a packet exiftool
// writes, we read byte for byte; a packet we write over exiftool's, exiftool reads; and the
// pixels never change.
#include "XMPFilesTestSupport.h"

namespace {

using namespace xmptest;

struct ImageCase {
    const char* extension;
    xmp::XMP_FileFormat format;
};
// Names the case in test listings (instead of its bytes, pointers included).
void PrintTo(const ImageCase& c, std::ostream* out) {
    *out << c.extension;
}

class ImageFormatOracleTest : public ::testing::TestWithParam<ImageCase> {};

TEST_P(ImageFormatOracleTest, InjectReadReplaceAgreeWithExiftoolAndKeepPixels) {
    TempDir dir;
    std::string path = dir.File(std::string("image.") + GetParam().extension);
    RunShell("convert -size 64x48 gradient:red-blue " + Quote(path));
    std::string pixels = PixelHash(path);
    ASSERT_FALSE(pixels.empty()) << "ImageMagick could not make " << path;

    // A file without XMP: the handler can add one.
    ReadResult fresh = ReadXMP(path, GetParam().format);
    ASSERT_TRUE(fresh.opened);
    EXPECT_FALSE(fresh.found);
    EXPECT_EQ(fresh.format, GetParam().format);
    EXPECT_EQ(fresh.handlerFlags & (xmp::kXMPFiles_CanInjectXMP | xmp::kXMPFiles_CanExpand),
              xmp::kXMPFiles_CanInjectXMP | xmp::kXMPFiles_CanExpand);

    std::string ours = MakePacket("Injected by us");
    WriteXMP(path, ours, GetParam().format);
    EXPECT_EQ(ExiftoolTag(path, "XMP-dc:Title"), "Injected by us");
    EXPECT_EQ(ExiftoolXmp(path), ours);

    // Rich XMP written by exiftool (arrays, a struct, qualifiers) is read as exiftool sees it.
    RunShell(
        "exiftool -q -overwrite_original -XMP-dc:Title=Theirs -XMP-dc:Subject+=alpha "
        "-XMP-dc:Subject+=beta "
        "-XMP-xmp:Rating=4 -XMP-iptcCore:CreatorWorkEmail=a@example.org "
        "-XMP-dc:Description-de=Bild " +
        Quote(path));
    ReadResult theirs = ReadXMP(path, GetParam().format);
    ASSERT_TRUE(theirs.found);
    EXPECT_EQ(theirs.packet, ExiftoolXmp(path));
    EXPECT_TRUE(theirs.info.writeable);

    // Replaced by a much larger packet: the container grows around it.
    std::string larger = MakePacket("Replaced by us", 40000);
    WriteXMP(path, larger, GetParam().format);
    EXPECT_EQ(ExiftoolTag(path, "XMP-dc:Title"), "Replaced by us");
    EXPECT_EQ(ExiftoolXmp(path), larger);
    EXPECT_EQ(ReadXMP(path, GetParam().format).packet, larger);
    EXPECT_EQ(PixelHash(path), pixels);
    EXPECT_EQ(RunShell("exiftool -validate -warning -s3 " + Quote(path)).find("Error"),
              std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Formats, ImageFormatOracleTest,
                         ::testing::Values(ImageCase{"jpg", xmp::kXMP_JPEGFile},
                                           ImageCase{"tif", xmp::kXMP_TIFFFile},
                                           ImageCase{"png", xmp::kXMP_PNGFile},
                                           ImageCase{"gif", xmp::kXMP_GIFFile},
                                           ImageCase{"psd", xmp::kXMP_PhotoshopFile}),
                         [](const auto& info) { return std::string(info.param.extension); });

// Real files: our packet is exactly the one exiftool extracts, found by content alone.
TEST(CorpusPacketsTest, MatchExiftoolExtraction) {
    for (const char* relative :
         {"tiff/pil-hopper-Lab-xmp.tif", "tiff/pil-tiff_16bit_RGBa-icc-xmp.tiff",
          "tiff/pil-tiff_adobe_deflate-icc-xmp.tif", "tiff/pil-tiff_strip_cmyk_16l-xmp.tif",
          "tiff/pil-tiff_strip_cmyk_jpeg-xmp.tif", "psd/pil-hopper-rgb8-layers.psd",
          "psd/psdt-unicode_pathname-no-composite.psd", "jpeg/jd-its-1cbb1bb3-progressive-ycck.jpg",
          "jpeg/jd-tower_progressive.jpg", "jpeg/mei-Multiple_ICC_segments-ycck.jpg",
          "jpeg/pil-pil_sample_cmyk-ycck.jpg", "jpeg/corrupt/pil-truncated_app14.jpg"}) {
        std::string path = CorpusFile(relative);
        ReadResult r = ReadXMP(path);
        ASSERT_TRUE(r.found) << relative;
        EXPECT_EQ(r.packet, ExiftoolXmp(path)) << relative;
    }
}

// A real TIFF rewritten by us keeps its image data; exiftool's hash of it is the judge.
TEST(CorpusPacketsTest, RewrittenTiffAndPsdKeepImageData) {
    for (const char* relative : {"tiff/pil-tiff_adobe_deflate-icc-xmp.tif",
                                 "tiff/libtiff-rgb-3c-8b.tiff", "psd/pil-hopper-rgb8-layers.psd"}) {
        TempDir dir;
        std::string path = dir.File("copy");
        std::filesystem::copy_file(CorpusFile(relative), path);
        std::string hash = ExiftoolTag(path, "ImageDataHash -api ImageHashType=SHA256");
        WriteXMP(path, MakePacket("Rewritten", 100));
        EXPECT_EQ(ExiftoolTag(path, "XMP-dc:Title"), "Rewritten") << relative;
        EXPECT_EQ(ExiftoolTag(path, "ImageDataHash -api ImageHashType=SHA256"), hash) << relative;
    }
}

TEST(CorpusPacketsTest, BigTiffIsRefusedCleanly) {
    TempDir dir;
    std::string path = dir.File("big.tif");
    WriteFile(path, std::string("II+\0\x08\0\0\0\x10\0\0\0\0\0\0\0", 16) + std::string(64, '\0'));
    xmp::TXMPFiles files;
    try {
        files.OpenFile(path, xmp::kXMP_TIFFFile);
        FAIL() << "BigTIFF opened";
    } catch (const xmp::XMPError& e) {
        EXPECT_EQ(e.GetID(), xmp::kXMPErr_BadFileFormat);
    }
}

}  // namespace
