// The PNG reader over every colour type and depth a thumbnailer may write, made with
// ImageMagick, and its refusal of damaged and oversized files.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "ThumbMetaLib/shell/PngReader.h"
#include "ThumbMetaLib/shell/tests/ShellTestSupport.h"

namespace ThumbMetaLib::shell {
namespace {

using test::TempFolder;

struct Rgb {
    int r, g, b;
};

Rgb PixelAt(const Pixels& pixels, uint32_t x, uint32_t y) {
    const uint8_t* p = pixels.Bytes() + size_t(y) * pixels.RowBytes() + size_t(x) * 4;
    EXPECT_EQ(p[3], 255);
    return {p[0], p[1], p[2]};
}

void ExpectNear(Rgb got, Rgb want, const std::string& what) {
    EXPECT_NEAR(got.r, want.r, 1) << what;
    EXPECT_NEAR(got.g, want.g, 1) << what;
    EXPECT_NEAR(got.b, want.b, 1) << what;
}

std::vector<uint8_t> Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t Crc32(const uint8_t* data, size_t size) {
    uint32_t crc = 0xffffffffu;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1)));
        }
    }
    return ~crc;
}

void PutBig32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(uint8_t(value >> shift));
    }
}

// A PNG whose header promises width x height RGB pixels, with one tiny IDAT.
std::vector<uint8_t> PngWithHeader(uint32_t width, uint32_t height) {
    std::vector<uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    auto chunk = [&](const char* type, const std::vector<uint8_t>& data) {
        PutBig32(png, uint32_t(data.size()));
        std::vector<uint8_t> body(type, type + 4);
        body.insert(body.end(), data.begin(), data.end());
        png.insert(png.end(), body.begin(), body.end());
        PutBig32(png, Crc32(body.data(), body.size()));
    };
    std::vector<uint8_t> header;
    PutBig32(header, width);
    PutBig32(header, height);
    header.insert(header.end(), {8, 2, 0, 0, 0});
    chunk("IHDR", header);
    chunk("IDAT", {0x78, 0x9c, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01});
    chunk("IEND", {});
    return png;
}

class PngReaderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder_.Ok()); }

    // The PNG ImageMagick writes for `arguments` (ending in the output's format prefix).
    PixelsPtr Made(const std::string& name, const std::string& arguments) {
        const std::string path = folder_.File(name + ".png");
        EXPECT_TRUE(test::Run("convert " + arguments + path)) << "convert failed for " << name;
        PixelsPtr pixels = ReadPngFile(path);
        EXPECT_TRUE(pixels) << name;
        return pixels;
    }

    TempFolder folder_;
};

TEST_F(PngReaderTest, EveryDepthAndColourTypeComesOutAsRgbx) {
    const std::string colour = "-size 9x7 xc:'rgb(200,100,50)' ";
    for (const auto& [name, args] : std::vector<std::pair<std::string, std::string>>{
             {"rgb8", colour + "PNG24:"},
             {"rgb16", colour + "-depth 16 PNG48:"},
             {"palette", colour + "PNG8:"},
             {"interlaced", colour + "-interlace PNG PNG24:"}}) {
        PixelsPtr pixels = Made(name, args);
        ASSERT_TRUE(pixels);
        EXPECT_EQ(pixels->Width(), 9u);
        EXPECT_EQ(pixels->Height(), 7u);
        EXPECT_EQ(pixels->Mode(), kModeRGB);
        EXPECT_EQ(pixels->Channels(), 4);
        EXPECT_EQ(pixels->Layout(), kLayoutInterleaved);
        ExpectNear(PixelAt(*pixels, 4, 3), {200, 100, 50}, name);
        ExpectNear(PixelAt(*pixels, 8, 6), {200, 100, 50}, name);
    }
    for (const auto& [name, args] : std::vector<std::pair<std::string, std::string>>{
             {"grey8", "-size 5x5 xc:'gray(40%)' -type Grayscale -depth 8 PNG:"},
             {"grey16", "-size 5x5 xc:'gray(40%)' -type Grayscale -depth 16 PNG:"}}) {
        PixelsPtr pixels = Made(name, args);
        ASSERT_TRUE(pixels);
        ExpectNear(PixelAt(*pixels, 2, 2), {102, 102, 102}, name);
    }
    PixelsPtr bilevel = Made("grey1", "-size 16x3 xc:black -type Bilevel -depth 1 PNG:");
    ASSERT_TRUE(bilevel);
    ExpectNear(PixelAt(*bilevel, 15, 2), {0, 0, 0}, "grey1");
}

TEST_F(PngReaderTest, TransparencyIsCompositedOnWhite) {
    PixelsPtr half = Made("rgba", "-size 4x4 xc:'rgba(0,0,255,0.5)' PNG32:");
    ASSERT_TRUE(half);
    ExpectNear(PixelAt(*half, 1, 1), {127, 127, 255}, "rgba");
    PixelsPtr greyAlpha =
        Made("grey-alpha", "-size 4x4 xc:'graya(0%,0.25)' -type GrayscaleAlpha PNG:");
    ASSERT_TRUE(greyAlpha);
    ExpectNear(PixelAt(*greyAlpha, 0, 0), {191, 191, 191}, "grey-alpha");
    PixelsPtr clearPalette = Made("palette-trns", "-size 4x4 xc:'rgba(255,0,0,0)' PNG8:");
    ASSERT_TRUE(clearPalette);
    ExpectNear(PixelAt(*clearPalette, 3, 3), {255, 255, 255}, "palette-trns");
}

TEST_F(PngReaderTest, RefusesDamagedAndOversizedFiles) {
    PixelsPtr good = Made("good", "-size 64x64 plasma:fractal PNG24:");
    ASSERT_TRUE(good);
    std::vector<uint8_t> bytes = Bytes(folder_.File("good.png"));
    ASSERT_GT(bytes.size(), 100u);

    std::vector<uint8_t> truncated(bytes.begin(), bytes.begin() + long(bytes.size() / 2));
    EXPECT_FALSE(ReadPng(truncated.data(), truncated.size()));
    std::vector<uint8_t> badCrc = bytes;
    badCrc[29] ^= 0x55;  // the IHDR chunk's CRC
    EXPECT_FALSE(ReadPng(badCrc.data(), badCrc.size()));
    std::vector<uint8_t> badData = bytes;
    for (size_t i = 60; i < badData.size() - 20; i += 7) {
        badData[i] ^= 0xa5;
    }
    EXPECT_FALSE(ReadPng(badData.data(), badData.size()));

    const std::vector<uint8_t> huge = PngWithHeader(100000, 100000);
    EXPECT_FALSE(ReadPng(huge.data(), huge.size()));
    const std::vector<uint8_t> tall = PngWithHeader(1, 9000);
    EXPECT_FALSE(ReadPng(tall.data(), tall.size()));
    EXPECT_FALSE(ReadPng(bytes.data(), bytes.size(), PngLimits{63, 1 << 20}));
    EXPECT_FALSE(ReadPng(bytes.data(), 0));
    EXPECT_FALSE(ReadPng(reinterpret_cast<const uint8_t*>("GIF89a..."), 9));
    EXPECT_FALSE(ReadPngFile(folder_.File("missing.png")));
    // Never through a link: the output folder is the thumbnailer's to fill.
    std::filesystem::create_symlink(folder_.File("good.png"), folder_.File("link.png"));
    EXPECT_FALSE(ReadPngFile(folder_.File("link.png")));
}

// libpng's own allocations are capped: a row buffer above the cap fails the read, and a text
// chunk claiming more than the file holds (a fuzzer's finding) is never allocated.
TEST_F(PngReaderTest, LibpngAllocationsAreCapped) {
    Made("wide", "-size 4096x2 xc:red -depth 16 PNG64:");
    const std::vector<uint8_t> wide = Bytes(folder_.File("wide.png"));
    PngLimits small;
    small.maxAllocation = 16 * 1024;  // a row is 4096 x 8 bytes
    EXPECT_FALSE(ReadPng(wide.data(), wide.size(), small));
    EXPECT_TRUE(ReadPng(wide.data(), wide.size()));

    const std::vector<uint8_t> claims =
        Bytes(std::string(VANTORY_CORPUS_DIR) + "/fuzz-regressions/png_read/oom-b3e7f4adbbd817e5");
    ASSERT_EQ(claims.size(), 102u);
    EXPECT_FALSE(ReadPng(claims.data(), claims.size()));
}

}  // namespace
}  // namespace ThumbMetaLib::shell
