#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "ThumbMetaLib/formats/ppm/ReadPPM.h"
#include "ThumbMetaLib/tests/TempFolder.h"

namespace {

using ThumbMetaLib::PixelsPtr;
using ThumbMetaLib::ReadPPM;
using ThumbMetaLib::test::TempFolder;

std::string Corpus(const std::string& relative) {
    return std::string(VANTORY_CORPUS_DIR) + "/" + relative;
}

// The interleaved RGB bytes ImageMagick reads from a file, row after row without padding.
std::vector<uint8_t> ImageMagickRGB(const std::string& path) {
    std::vector<uint8_t> bytes;
    const std::string command = "convert '" + path + "' -depth 8 rgb:- 2>/dev/null";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return bytes;
    }
    uint8_t buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    pclose(pipe);
    return bytes;
}

std::vector<uint8_t> Unpadded(const ThumbMetaLib::Pixels& pixels) {
    std::vector<uint8_t> bytes;
    for (uint32_t y = 0; y < pixels.Height(); ++y) {
        const uint8_t* row = pixels.Bytes() + size_t(y) * pixels.RowBytes();
        bytes.insert(bytes.end(), row, row + size_t(pixels.Width()) * 3);
    }
    return bytes;
}

// A P6 file with the given header text and width x height pixels of a known pattern.
std::string PPMWithHeader(const std::string& header, uint32_t width, uint32_t height) {
    std::string file = header;
    for (uint32_t i = 0; i < width * height * 3; ++i) {
        file.push_back(char(i * 7 + 1));
    }
    return file;
}

TEST(ReadPPM, CorpusBinaryFilesMatchImageMagick) {
    for (const char* name : {"ppm/ljt-testorig.ppm", "ppm/wuffs-peacock.ppm"}) {
        const std::string path = Corpus(name);
        ASSERT_TRUE(std::filesystem::exists(path)) << "missing test file " << path;
        PixelsPtr pixels = ReadPPM(path);
        ASSERT_TRUE(pixels) << name;
        EXPECT_EQ(pixels->Layout(), ThumbMetaLib::kLayoutInterleaved);
        EXPECT_EQ(pixels->Channels(), 3);
        EXPECT_EQ(pixels->Mode(), ThumbMetaLib::kModeRGB);
        EXPECT_EQ(pixels->RowBytes() % 4, 0u);
        EXPECT_EQ(Unpadded(*pixels), ImageMagickRGB(path)) << name;
    }
}

TEST(ReadPPM, CorpusFilesOfOtherKindsAreRefused) {
    // 16-bit samples, the plain-text variant, and a 19-byte header with absurd sizes.
    for (const char* name : {"ppm/libtiff-rgb-3c-16b.ppm", "ppm/pil-hopper_8bit_plain.ppm",
                             "ppm/pil-negative_size-corrupt.ppm"}) {
        const std::string path = Corpus(name);
        ASSERT_TRUE(std::filesystem::exists(path)) << "missing test file " << path;
        EXPECT_FALSE(ReadPPM(path)) << name;
    }
}

TEST(ReadPPM, HeaderLinesSplitAndCommentedAreRead) {
    TempFolder folder;
    ASSERT_TRUE(folder.Ok());
    // The size split over two lines with comments between, and all three on one line.
    for (const std::string header :
         {"P6\n# made by a test\n5\n# between\n3\n255\n", "P6\n5 3 255\n", "P6 \n5 3\n255\n"}) {
        const std::string file = PPMWithHeader(header, 5, 3);
        PixelsPtr pixels = ReadPPM(folder.Write("a.ppm", file));
        ASSERT_TRUE(pixels) << header;
        ASSERT_EQ(pixels->Width(), 5u);
        ASSERT_EQ(pixels->Height(), 3u);
        const std::vector<uint8_t> expected(file.end() - 45, file.end());
        EXPECT_EQ(Unpadded(*pixels), expected) << header;
    }
}

TEST(ReadPPM, MalformedFilesAreRefused) {
    TempFolder folder;
    ASSERT_TRUE(folder.Ok());
    const std::string good = PPMWithHeader("P6\n4 2\n255\n", 4, 2);
    const std::vector<std::string> bad = {
        "",                                       // empty
        good.substr(0, good.size() - 1),          // one byte short
        PPMWithHeader("P6\n4 2\n65535\n", 4, 2),  // 16-bit samples
        PPMWithHeader("P5\n4 2\n255\n", 4, 2),    // grey map
        PPMWithHeader("P66\n4 2\n255\n", 4, 2),   // not the magic
        PPMWithHeader("P6\n0 2\n255\n", 4, 2),    // empty width
        PPMWithHeader("P6\n-4 2\n255\n", 4, 2),   // negative width
        "P6\n99999 99999\n255\n",                 // over the pixel cap
        "P6\n99999999999 2\n255\n",               // beyond int
        "P6\n4 2\n",                              // no maximum value
        "P6\n" + std::string(5000, '1') + "\n",   // an endless header line
        std::string(80, 'P') + "\n4 2\n255\n",    // an over-long magic line
    };
    for (size_t i = 0; i < bad.size(); ++i) {
        EXPECT_FALSE(ReadPPM(folder.Write("bad.ppm", bad[i]))) << "case " << i;
    }
    EXPECT_TRUE(ReadPPM(folder.Write("good.ppm", good)));
    EXPECT_FALSE(ReadPPM(folder.File("absent.ppm")));
}

}  // namespace
