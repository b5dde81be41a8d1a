// HXJPEG against libjpeg-turbo (box upsampling, float DCT) on the corpus and on files made by
// cjpeg, jpegtran and ImageMagick, for the SSE2 and the portable inverse DCT alike.
//
// Measured differences come from one design choice: HXJPEG keeps three fractional bits from the
// inverse DCT into the colour conversion and does not clip luma before adding chroma, while the
// reference rounds and clips each component to 8 bits first. So most samples agree, about a
// third differ by one, and near clipped highlights a few differ more (up to ~45 at the worst
// saturated edge in the corpus).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>

#include "DecodeTestSupport.h"
#include "HXJPEG/decoder/ColorConverter.h"
#include "HXJPEG/decoder/IDCT.h"

using namespace hxjpeg_test;
namespace fs = std::filesystem;

namespace {

struct Bounds {
    int max;
    double mean;
    double over2;  // fraction of samples more than 2 apart
};

// Photos with highlights clipped by the reference's per-component rounding.
constexpr Bounds kPhotoBounds = {48, 0.45, 0.008};
// RGB samples read as YCbCr land far outside the RGB cube, where clipping decides more samples.
constexpr Bounds kOutOfGamutBounds = {48, 0.45, 0.02};
// One-eighth decode, uniform sampling: both take the DC term; only the colour rounding differs.
constexpr Bounds kReducedBounds = {4, 0.55, 0.002};

class DecodeOracleTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        HXJPEGLibInit();
        HXJPEG::SelectIDCT(GetParam());
        HXJPEG::SelectColorSIMD(GetParam());
    }
    void TearDown() override { HXJPEGLibInit(); }

    static void ExpectWithin(const Difference& d, const Bounds& b, const std::string& what) {
        ASSERT_TRUE(d.comparable) << what;
        EXPECT_LE(d.max, b.max) << what;
        EXPECT_LE(d.mean, b.mean) << what;
        EXPECT_LE(d.over2, b.over2) << what;
    }

    // Decodes full size and one eighth with both decoders and checks the differences.
    void ExpectClose(const std::string& name, const std::vector<uint8_t>& bytes,
                     const Bounds& full) {
        Image oracle = DecodeOracle(bytes);
        ASSERT_EQ(oracle.result, 0) << name << ": the reference cannot decode it";
        WarningCounter goOn;  // like the reference, decode through recoverable damage
        Image ours = DecodeHX(bytes, 0, false, &goOn);
        ASSERT_EQ(ours.result, 0) << name;
        ASSERT_EQ(ours.width, oracle.width) << name;
        ASSERT_EQ(ours.height, oracle.height) << name;
        Difference d = Compare(ours, oracle);
        ExpectWithin(d, full, name);

        // The reference scales subsampled chroma with a small inverse DCT rather than repeating
        // its DC term, so the one-eighth comparison is like for like only with uniform sampling
        // (DecodeReducedTest checks the rest against block means).
        Difference r;
        if (oracle.uniformSampling) {
            Image oursSmall = DecodeHX(bytes, 0, true, &goOn);
            ASSERT_EQ(oursSmall.result, 0) << name;
            r = Compare(oursSmall, DecodeOracle(bytes, true));
            ExpectWithin(r, kReducedBounds, name + " (1/8)");
        }
        std::printf("  %-44s %5dx%-5d max %2d mean %.3f >2 %.4f%% | 1/8 max %d mean %.3f\n",
                    name.c_str(), ours.width, ours.height, d.max, d.mean, d.over2 * 100, r.max,
                    r.mean);
    }
};

TEST_P(DecodeOracleTest, CorpusPhotosMatch) {
    // Files whose result is fixed by the codec's own rules rather than by the reference.
    const std::map<std::string, int32_t> kOwnResult = {
        // A refinement scan coded with an empty Huffman table: both decoders warn and go on,
        // each guessing differently what the undecodable bits meant.
        {"jd-partial_progressive.jpg", HXJPEG_OK},
        {"pil-hopper_bad_exif-gray.jpg", HXJPEG_ERR_HUFFMAN},  // damaged DC code mid-image
        {"mei-beach-sof1-dnl.jpg", HXJPEG_ERR_NO_FRAME},       // height only in a DNL segment
    };
    std::vector<fs::path> files = CorpusFilesIn("jpeg");
    for (const fs::path& large : CorpusFilesIn("jpeg/large")) {
        files.push_back(large);
    }
    ASSERT_GT(files.size(), 30u);
    for (const auto& file : files) {
        std::string name = file.filename().string();
        auto own = kOwnResult.find(name);
        if (own != kOwnResult.end()) {
            WarningCounter goOn;
            EXPECT_EQ(DecodeHX(ReadFile(file), 0, false, &goOn).result, own->second) << name;
            continue;
        }
        ExpectClose(name, ReadFile(file), kPhotoBounds);
    }
}

// Files that use identifiers above 4: libjpeg's CMYK ('C','M','Y','K', one with C sampled 2x2)
// and an RGB-coded file ('R','G','B'). Named here so that a missing file fails by name.
TEST_P(DecodeOracleTest, LargeComponentIdentifiersMatch) {
    for (const char* name : {"jd-mozilla-jpg-cmyk-1.jpg", "jd-mozilla-jpg-cmyk-2.jpg",
                             "jd-rgb-adobe-transform0.jpg"}) {
        std::vector<uint8_t> bytes = ReadFile(CorpusDir() / "jpeg" / name);
        ASSERT_FALSE(bytes.empty()) << "missing corpus file jpeg/" << name;
        ExpectClose(name, bytes, kPhotoBounds);
    }
}

// Labels the file with the codec's own APP14 segment, transform 0 ("plain CMYK"): rewrites an
// existing APP14 segment or adds one after SOI. Both decoders then read the same four
// components without a colour transform.
std::vector<uint8_t> WithOwnApp14Signature(std::vector<uint8_t> bytes) {
    for (size_t i = 2; i + 9 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xEE) {
            std::memcpy(&bytes[i + 4], "Quarn", 5);
            bytes[i + 4 + 11] = 0;
            return bytes;
        }
    }
    const uint8_t segment[16] = {0xFF, 0xEE, 0, 14, 'Q', 'u', 'a', 'r', 'n', 0, 100, 0, 0, 0, 0, 0};
    bytes.insert(bytes.begin() + 2, segment, segment + 16);
    return bytes;
}

// Four components written by libjpeg-turbo as YCCK (colour-transformed CMYK).
std::vector<uint8_t> EncodeYCCK(int width, int height) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_colorspace(&cinfo, JCS_YCCK);
    jpeg_set_quality(&cinfo, 90, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<uint8_t> row(size_t(width) * 4);
    while (cinfo.next_scanline < cinfo.image_height) {
        int y = int(cinfo.next_scanline);
        for (int x = 0; x < width; ++x) {
            row[size_t(x) * 4 + 0] = uint8_t(x * 255 / std::max(1, width - 1));
            row[size_t(x) * 4 + 1] = uint8_t(y * 255 / std::max(1, height - 1));
            row[size_t(x) * 4 + 2] = uint8_t(((x / 5 + y / 3) & 1) ? 220 : 30);
            row[size_t(x) * 4 + 3] = uint8_t(128 + (x - y) % 100);
        }
        JSAMPROW p = row.data();
        jpeg_write_scanlines(&cinfo, &p, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> bytes(out, out + size);
    std::free(out);
    return bytes;
}

TEST_P(DecodeOracleTest, GeneratedFilesMatch) {
    TempDir dir;
    ASSERT_FALSE(dir.path().empty());
    const std::vector<std::pair<int, int>> sizes = {{1, 1},  {7, 3},   {8, 8},   {16, 16},
                                                    {17, 9}, {33, 17}, {64, 48}, {227, 149}};
    const std::vector<std::pair<std::string, std::string>> variants = {
        {"444", "-sample 1x1"},
        {"422", "-sample 2x1"},
        {"420", "-sample 2x2"},
        {"440", "-sample 1x2"},
        {"411", "-sample 4x1"},
        {"12x", "-sample 1x2,1x1,1x1"},
        {"420-restart", "-sample 2x2 -restart 2B"},
        {"420-progressive", "-sample 2x2 -progressive"},
        {"444-progressive-restart", "-sample 1x1 -progressive -restart 1"},
        {"422-optimize-q100", "-sample 2x1 -optimize -quality 100"},
        {"rgb", "-rgb"},  // identifiers 'R','G','B', read as YCbCr like every three
        {"grey", "-grayscale"},
        {"grey-progressive", "-grayscale -progressive"},
    };
    int made = 0;
    for (auto [w, h] : sizes) {
        fs::path ppm = dir.path() / ("in-" + std::to_string(w) + "x" + std::to_string(h) + ".ppm");
        WriteFile(ppm, SyntheticPPM(w, h));
        std::string tag = std::to_string(w) + "x" + std::to_string(h);
        for (const auto& [name, options] : variants) {
            fs::path jpg = dir.path() / (name + "-" + tag + ".jpg");
            ASSERT_TRUE(RunTool("cjpeg -quality 90 " + options + " -outfile " + jpg.string() + " " +
                                ppm.string()))
                << options;
            ExpectClose(jpg.filename().string(), ReadFile(jpg),
                        name == "rgb" ? kOutOfGamutBounds : kPhotoBounds);
            ++made;
        }
        fs::path cmyk = dir.path() / ("cmyk-" + tag + ".jpg");
        if (RunTool("convert " + ppm.string() + " -colorspace CMYK -quality 90 " + cmyk.string())) {
            std::vector<uint8_t> bytes = ReadFile(cmyk);
            std::vector<uint8_t> plain = WithOwnApp14Signature(bytes);
            ASSERT_TRUE(HasUntransformedApp14(plain));
            ExpectClose("cmyk-as-ycck-" + tag, bytes, kPhotoBounds);
            ExpectClose("cmyk-" + tag, plain, kPhotoBounds);
            made += 2;
        }
        ExpectClose("ycck-" + tag, EncodeYCCK(w, h), kPhotoBounds);
        ++made;
    }
    EXPECT_GE(made, 100);
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(IDCT, DecodeOracleTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "SSE2" : "Portable"; });
