// Our reader of layered documents: colour modes and depths into 8-bit composites, PackBits,
// the caps on hostile headers and sections, and the stored thumbnail when there is no merged
// image.
#include <gtest/gtest.h>

#include <chrono>

#include "ThumbMetaLib/formats/layered/LayeredComposite.h"
#include "ThumbMetaLib/formats/layered/LayeredFormatError.h"
#include "ThumbMetaLib/formats/layered/PackBits.h"
#include "ThumbMetaLib/tests/ColorTestSupport.h"
#include "ThumbMetaLib/tests/LayeredDocumentBuilder.h"

namespace ThumbMetaLib {
namespace {

using layeredtest::Bytes;
using layeredtest::Document;

LayeredComposite Read(const Bytes& file) {
    MemoryRasterSource source(file.data(), file.size());
    return ReadLayeredComposite(source);
}

std::string Refusal(const Bytes& file) {
    try {
        Read(file);
    } catch (const LayeredFormatError& error) {
        return error.what();
    }
    return "accepted";
}

std::vector<int> Plane(const Pixels& p, int32_t c) {
    std::vector<int> v;
    for (uint32_t y = 0; y < p.Height(); ++y) {
        for (uint32_t x = 0; x < p.Width(); ++x) {
            v.push_back(colortest::SampleAt(p, x, y, c));
        }
    }
    return v;
}

TEST(LayeredReaderTest, ColourModesAndDepthsBecomeEightBitComposites) {
    // RGB with an extra alpha channel that must stay out; raw and PackBits read alike, and a
    // large document (4-byte row counts, 8-byte layer length) too.
    Document rgb;
    rgb.channels = 4;
    rgb.layerSectionLength = 6;
    rgb.channelData = {{10, 20, 30, 40}, {50, 60, 70, 80}, {90, 100, 110, 120}, {0, 0, 0, 0}};
    for (uint16_t version : {1, 2}) {
        for (uint16_t compression : {0, 1}) {
            rgb.version = version;
            rgb.compression = compression;
            const LayeredComposite c = Read(rgb.Build());
            ASSERT_EQ(c.pixels->Mode(), kModeRGB);
            ASSERT_EQ(c.pixels->Channels(), 3);
            EXPECT_EQ(Plane(*c.pixels, 0), (std::vector<int>{10, 20, 30, 40}));
            EXPECT_EQ(Plane(*c.pixels, 2), (std::vector<int>{90, 100, 110, 120}));
        }
    }

    // 16 bits: the nearest 8-bit value.
    Document deep;
    deep.channels = 1;
    deep.mode = kModeGrayscale;
    deep.depth = 16;
    deep.channelData = {{0x00, 0x00, 0x00, 0x80, 0x80, 0x80, 0xFF, 0xFF}};
    EXPECT_EQ(Plane(*Read(deep.Build()).pixels, 0), (std::vector<int>{0, 0, 128, 255}));

    // 32-bit float: clipped, then sRGB-encoded (0.5 linear is 188).
    Document floats = deep;
    floats.depth = 32;
    floats.channelData = {{0xBF, 0x80, 0, 0, 0x3F, 0x00, 0, 0, 0x3F, 0x80, 0, 0, 0x40, 0, 0, 0}};
    EXPECT_EQ(Plane(*Read(floats.Build()).pixels, 0), (std::vector<int>{0, 188, 255, 255}));

    // Bitmap: a set bit is black; each row ends on a byte.
    Document bitmap;
    bitmap.channels = 1;
    bitmap.mode = kModeBitmap;
    bitmap.depth = 1;
    bitmap.width = 3;
    bitmap.channelData = {{0b10100000, 0b01000000}};
    const LayeredComposite b = Read(bitmap.Build());
    EXPECT_EQ(b.pixels->Mode(), kModeGrayscale);
    EXPECT_EQ(Plane(*b.pixels, 0), (std::vector<int>{0, 255, 0, 255, 0, 255}));

    // Indexed: through the palette of the colour-mode data.
    Document indexed;
    indexed.channels = 1;
    indexed.mode = kModeIndexed;
    indexed.colorModeData.assign(768, 0);
    indexed.colorModeData[1] = 200;        // red of entry 1
    indexed.colorModeData[512 + 2] = 150;  // blue of entry 2
    indexed.channelData = {{0, 1, 2, 1}};
    const LayeredComposite i = Read(indexed.Build());
    EXPECT_EQ(i.pixels->Mode(), kModeRGB);
    EXPECT_EQ(Plane(*i.pixels, 0), (std::vector<int>{0, 200, 0, 200}));
    EXPECT_EQ(Plane(*i.pixels, 2), (std::vector<int>{0, 0, 150, 0}));

    // CMYK is stored inverted (255 = no ink); a fifth spot channel stays out.
    Document cmyk;
    cmyk.channels = 5;
    cmyk.mode = kModeCMYK;
    cmyk.channelData = {
        {255, 0, 255, 0}, {255, 255, 255, 255}, {0, 0, 0, 0}, {255, 255, 0, 0}, {1, 2, 3, 4}};
    const LayeredComposite k = Read(cmyk.Build());
    EXPECT_EQ(k.pixels->Channels(), 4);
    EXPECT_EQ(Plane(*k.pixels, 0), (std::vector<int>{0, 255, 0, 255}));
    EXPECT_EQ(Plane(*k.pixels, 2), (std::vector<int>{255, 255, 255, 255}));

    // Duotone and multichannel read as grayscale from their first channel.
    Document duotone = deep;
    duotone.mode = kModeDuotone;
    duotone.depth = 8;
    duotone.channelData = {{1, 2, 3, 4}};
    EXPECT_EQ(Read(duotone.Build()).pixels->Mode(), kModeGrayscale);
    duotone.mode = kModeMultichannel;
    duotone.channels = 2;
    duotone.channelData.push_back({9, 9, 9, 9});
    EXPECT_EQ(Plane(*Read(duotone.Build()).pixels, 0), (std::vector<int>{1, 2, 3, 4}));
}

TEST(LayeredReaderTest, HostileHeadersAndSectionsAreRefusedBeforeAllocating) {
    Document huge;
    huge.version = 2;
    huge.channels = 56;
    huge.width = huge.height = 300000;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_NE(Refusal(huge.Build()).find("1 GiB"), std::string::npos);
    // Refused from the header's numbers, not after reading or allocating anything big.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));

    Document bad;
    bad.channelData = {{1, 2, 3, 4}, {1, 2, 3, 4}, {1, 2, 3, 4}};
    const auto refusedWith = [&](auto change, const char* words) {
        Document d = bad;
        change(d);
        EXPECT_NE(Refusal(d.Build()).find(words), std::string::npos) << words;
    };
    refusedWith([](Document& d) { d.width = 30001; }, "outside the format's limits");
    refusedWith([](Document& d) { d.channels = 57; }, "channel count");
    refusedWith([](Document& d) { d.channels = 2; }, "fewer channels");
    refusedWith([](Document& d) { d.depth = 1; }, "bitmap");
    refusedWith([](Document& d) { d.mode = 5; }, "colour mode");
    refusedWith([](Document& d) { d.mode = kModeIndexed; }, "palette");

    // A layer section longer than the file.
    Bytes file = bad.Build();
    const size_t layerLength = 26 + 4 + 4;
    file[layerLength] = 0x7F;
    EXPECT_NE(Refusal(file).find("longer than the file"), std::string::npos);

    // Row counts that point past the file, and counts no row can take. Without a stored
    // thumbnail there is nothing to fall back on.
    Document packed = bad;
    packed.compression = 1;
    Bytes cut = packed.Build();
    cut.resize(cut.size() - 4);
    EXPECT_NE(Refusal(cut).find("past the file"), std::string::npos);
    Bytes inflated = packed.Build();
    const size_t firstCount = 26 + 4 + 4 + 4 + 2;
    inflated[firstCount] = 0x40;
    EXPECT_NE(Refusal(inflated).find("outside what the row can take"), std::string::npos);

    // Raw data that ends early.
    Bytes shortRaw = bad.Build();
    shortRaw.pop_back();
    EXPECT_NE(Refusal(shortRaw).find("no stored thumbnail"), std::string::npos);
}

TEST(LayeredReaderTest, PackBitsRowsDecodeLiteralsRunsAndNoOps) {
    const uint8_t packed[] = {2, 'a', 'b', 'c', 128, 0xFE, 'z', 0};
    uint8_t row[7] = {};
    ASSERT_TRUE(UnpackBitsRow(packed, 7, row, 6));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(row), 6), "abczzz");
    // A run overshooting the row is cut; input that ends before the row is full is refused.
    ASSERT_TRUE(UnpackBitsRow(packed, 7, row, 4));
    EXPECT_FALSE(UnpackBitsRow(packed, 3, row, 3));
    EXPECT_FALSE(UnpackBitsRow(packed, 5, row, 6));
}

}  // namespace
}  // namespace ThumbMetaLib
