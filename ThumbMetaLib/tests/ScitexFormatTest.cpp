#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "ThumbMetaLib/engine/AbortFlag.h"
#include "ThumbMetaLib/engine/FormatRegistry.h"
#include "ThumbMetaLib/formats/scitex/FBScitexFormat.h"
#include "ThumbMetaLib/tests/TempFolder.h"

namespace {

using namespace ThumbMetaLib;
using ThumbMetaLib::test::TempFolder;

// A Scitex CT file built field by field: the header at 1024, the lines from 2048, each
// separation's line padded to an even length, samples from a pattern of (line, x, separation).
struct ScitexFile {
    uint8_t units = 1;
    uint8_t separations = 3;
    std::string heightReal = "+.10000000E+01";
    std::string widthReal = "+.20000000E+01";
    uint32_t lines = 4;
    uint32_t pixels = 5;
    std::string linesText;   // overrides the integer field when set
    std::string pixelsText;  // likewise

    static uint8_t Sample(uint32_t line, uint32_t x, int s) {
        return uint8_t(line * 31 + x * 7 + s * 50);
    }

    std::vector<uint8_t> Bytes() const {
        std::vector<uint8_t> file(1024, 0);
        file.push_back(units);
        file.push_back(separations);
        file.push_back(0);
        file.push_back(0);
        char number[16];
        auto put = [&](const std::string& text) {
            file.insert(file.end(), text.begin(), text.end());
        };
        put(heightReal);
        put(widthReal);
        std::snprintf(number, sizeof number, "+%011u", lines);
        put(linesText.empty() ? number : linesText);
        std::snprintf(number, sizeof number, "+%011u", pixels);
        put(pixelsText.empty() ? number : pixelsText);
        file.resize(2048, 0);
        const uint32_t stored = (pixels + 1) & ~1u;
        for (uint32_t line = 0; line < lines; ++line) {
            for (int s = 0; s < separations; ++s) {
                for (uint32_t x = 0; x < stored; ++x) {
                    file.push_back(x < pixels ? Sample(line, x, s) : 0xEE);
                }
            }
        }
        return file;
    }
};

PixelsPtr Read(const std::vector<uint8_t>& bytes, FBImageInfo& info, int32_t& status) {
    std::FILE* file = fmemopen(const_cast<uint8_t*>(bytes.data()), bytes.size(), "rb");
    PixelsPtr pixels = FBScitexFormat::ReadImage(file, bytes.size(), info, status);
    std::fclose(file);
    return pixels;
}

TEST(ScitexFormat, DecodedPlanesEqualTheGeneratedBytes) {
    for (uint8_t separations : {1, 3, 4}) {
        for (uint32_t width : {5u, 6u, 1u}) {
            ScitexFile source;
            source.separations = separations;
            source.pixels = width;
            FBImageInfo info;
            int32_t status = 1;
            PixelsPtr pixels = Read(source.Bytes(), info, status);
            ASSERT_TRUE(pixels) << int(separations) << " x " << width;
            EXPECT_EQ(status, 0);
            EXPECT_EQ(pixels->Layout(), kLayoutPlanar);
            EXPECT_EQ(pixels->Channels(), separations);
            EXPECT_EQ(pixels->Mode(), separations == 1 ? 1 : separations);
            ASSERT_EQ(pixels->Width(), width);
            ASSERT_EQ(pixels->Height(), 4u);
            EXPECT_EQ(info.width, int32_t(width));
            EXPECT_EQ(info.height, 4);
            for (int s = 0; s < separations; ++s) {
                for (uint32_t y = 0; y < 4; ++y) {
                    for (uint32_t x = 0; x < width; ++x) {
                        const uint8_t stored = ScitexFile::Sample(y, x, s);
                        ASSERT_EQ(pixels->Plane(s)[y * pixels->RowBytes() + x],
                                  separations == 4 ? 255 - stored : stored)
                            << int(separations) << " sep " << s << " at " << x << "," << y;
                    }
                }
            }
        }
    }
}

TEST(ScitexFormat, ResolutionFollowsTheLargerDimensionAndUnits) {
    ScitexFile inches;  // 5 pixels over 2 inches (width is the larger): 2.5 rounds up to 3
    FBImageInfo info;
    int32_t status = 0;
    ASSERT_TRUE(Read(inches.Bytes(), info, status));
    EXPECT_EQ(info.resolution, 3);

    ScitexFile mm;  // 300 lines over 25.4 mm: 300 per inch, height being the larger
    mm.units = 0;
    mm.lines = 300;
    mm.pixels = 2;
    mm.heightReal = "+.25400000E+02";
    info = {};
    ASSERT_TRUE(Read(mm.Bytes(), info, status));
    EXPECT_EQ(info.resolution, 300);

    ScitexFile tiny;  // 5 pixels over 100 inches: below 1, the default stays
    tiny.widthReal = "+.10000000E+03";
    info = {};
    ASSERT_TRUE(Read(tiny.Bytes(), info, status));
    EXPECT_EQ(info.resolution, 72);
}

TEST(ScitexFormat, MalformedHeadersGiveTheFormatError) {
    std::vector<ScitexFile> bad(12);
    bad[0].units = 2;
    bad[1].separations = 2;
    bad[2].heightReal = "*.10000000E+01";  // sign
    bad[3].widthReal = "+,20000000E+01";   // point
    bad[4].widthReal = "+.2000000xE+01";   // digit
    bad[5].widthReal = "+.20000000e+01";   // letter E
    bad[6].heightReal = "-.10000000E+01";  // not positive
    bad[7].heightReal = "+.00000000E+01";  // zero
    bad[8].linesText = "+00000030001";     // over 30,000
    bad[9].pixelsText = "-00000000005";    // negative
    bad[10].pixelsText = "+0000000000A";   // digit
    bad[11].linesText = "+00000000000";    // zero
    for (size_t i = 0; i < bad.size(); ++i) {
        FBImageInfo info;
        int32_t status = 0;
        EXPECT_FALSE(Read(bad[i].Bytes(), info, status)) << "case " << i;
        EXPECT_EQ(status, kScitexFormatError) << "case " << i;
    }
    std::vector<uint8_t> shortFile = ScitexFile().Bytes();
    shortFile.resize(2047);
    FBImageInfo info;
    int32_t status = 0;
    EXPECT_FALSE(Read(shortFile, info, status));
    EXPECT_EQ(status, kScitexFormatError);
}

TEST(ScitexFormat, TruncatedDataAndAbortGiveNoPixels) {
    std::vector<uint8_t> bytes = ScitexFile().Bytes();
    bytes.pop_back();
    FBImageInfo info;
    int32_t status = 0;
    EXPECT_FALSE(Read(bytes, info, status));
    EXPECT_EQ(status, -1);

    // Off the main thread the abort flag stops the read; on the main thread it does not.
    const std::vector<uint8_t> good = ScitexFile().Bytes();
    SetAbortFlag(true);
    bool threw = false;
    std::thread worker([&] {
        try {
            Read(good, info, status);
        } catch (const AbortException&) {
            threw = true;
        }
    });
    worker.join();
    EXPECT_TRUE(threw);
    EXPECT_TRUE(Read(good, info, status));
    SetAbortFlag(false);
}

TEST(ScitexFormat, HandlerReadsFilesAndIsFoundBySuffix) {
    TempFolder folder;
    ASSERT_TRUE(folder.Ok());
    ThumbOptions options;
    FBScitexFormat handler;
    EXPECT_TRUE(handler.CreateThumbnail(folder.Write("a.sct", ScitexFile().Bytes()), 256, options));
    ScitexFile bad;
    bad.units = 7;
    EXPECT_FALSE(handler.CreateThumbnail(folder.Write("b.sct", bad.Bytes()), 256, options));
    EXPECT_EQ(options.status, kScitexFormatError);
    EXPECT_TRUE(handler.Matches(0, 0, "sct"));
    EXPECT_EQ(handler.GetReadTypes(), (std::vector<std::string>{"..CT", "sct"}));
}

}  // namespace
