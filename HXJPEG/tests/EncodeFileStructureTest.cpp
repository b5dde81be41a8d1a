// The byte-level layout of the encoder's files: marker order, APP14, tables and frame fields.
#include <gtest/gtest.h>

#include "EncodeTestSupport.h"
#include "HXJPEG/common/ZigZag.h"

using namespace hxjpeg_test;

namespace {

// The reference quality-8 tables, natural order.
constexpr uint8_t kLuminance8[64] = {
    6,  4,  4,  6,  9,  11, 12, 16, 4,  5,  5,  6,  8,  10, 12, 12, 4,  5,  5,  6,  10, 12,
    12, 12, 6,  6,  6,  11, 12, 12, 12, 12, 9,  8,  10, 12, 12, 12, 12, 12, 11, 10, 12, 12,
    12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 16, 12, 12, 12, 12, 12, 12, 12};
constexpr uint8_t kChrominance8[64] = {
    7,  7,  13, 24, 20, 20, 17, 17, 7,  12, 16, 14, 14, 12, 12, 12, 13, 16, 14, 14, 12, 12,
    12, 12, 24, 14, 14, 12, 12, 12, 12, 12, 20, 14, 12, 12, 12, 12, 12, 12, 20, 12, 12, 12,
    12, 12, 12, 12, 17, 12, 12, 12, 12, 12, 12, 12, 17, 12, 12, 12, 12, 12, 12, 12};

// The marker codes of a file in order, up to and including the first SOS, then EOI if the
// file ends with it.
std::vector<uint8_t> MarkerSequence(const std::vector<uint8_t>& file) {
    std::vector<uint8_t> markers{file[1]};
    size_t at = 2;
    while (at + 4 <= file.size() && file[at] == 0xFF) {
        markers.push_back(file[at + 1]);
        if (file[at + 1] == 0xDA) {
            break;
        }
        at += 2 + ((size_t{file[at + 2]} << 8) | file[at + 3]);
    }
    if (file.size() >= 2 && file[file.size() - 2] == 0xFF && file.back() == 0xD9) {
        markers.push_back(0xD9);
    }
    return markers;
}

size_t CountScans(const std::vector<uint8_t>& file) {
    // Entropy-coded data stuffs every 0xFF, so FF DA only occurs as a marker.
    size_t count = 0;
    for (size_t i = 0; i + 1 < file.size(); ++i) {
        count += file[i] == 0xFF && file[i + 1] == 0xDA;
    }
    return count;
}

}  // namespace

TEST(EncodeFileStructure, QualityEightRgbCarriesTheReferenceTablesAndFullSampling) {
    SourceImage image = MakePhoto(40, 24, 3);
    std::vector<uint8_t> file;
    ASSERT_EQ(Encode(image, Options(8), file), 0);

    const uint8_t start[] = {0xFF, 0xD8, 0xFF, 0xEE, 0x00, 0x0E, 'Q',  'u',  'a',
                             'r',  'n',  0x00, 0x64, 0xC0, 0x00, 0x00, 0x00, 0x01};
    ASSERT_GE(file.size(), sizeof(start));
    EXPECT_TRUE(std::equal(start, start + sizeof(start), file.begin()));
    EXPECT_EQ(MarkerSequence(file),
              (std::vector<uint8_t>{0xD8, 0xEE, 0xDB, 0xDD, 0xC0, 0xC4, 0xDA, 0xD9}));

    const long dqt = FindMarker(file, 0xDB);
    ASSERT_GT(dqt, 0);
    EXPECT_EQ(file[dqt + 2] << 8 | file[dqt + 3], 2 + 2 * 65);
    EXPECT_EQ(file[dqt + 4], 0x00);
    EXPECT_EQ(file[dqt + 4 + 65], 0x01);
    for (int k = 0; k < 64; ++k) {
        EXPECT_EQ(file[dqt + 5 + k], kLuminance8[HXJPEG::kZigZagToNatural[k]]) << k;
        EXPECT_EQ(file[dqt + 70 + k], kChrominance8[HXJPEG::kZigZagToNatural[k]]) << k;
    }

    const long dri = FindMarker(file, 0xDD);
    EXPECT_EQ(std::vector<uint8_t>(file.begin() + dri, file.begin() + dri + 6),
              (std::vector<uint8_t>{0xFF, 0xDD, 0x00, 0x04, 0x00, 0x00}));

    const long sof = FindMarker(file, 0xC0);
    const std::vector<uint8_t> expectedFrame = {0xFF, 0xC0, 0x00, 17, 8,    0, 24, 0,    40, 3,
                                                0,    0x11, 0,    1,  0x11, 1, 2,  0x11, 1};
    EXPECT_EQ(std::vector<uint8_t>(file.begin() + sof, file.begin() + sof + 19), expectedFrame);
}

TEST(EncodeFileStructure, QualitySixSamplesLuminanceTwoByTwo) {
    SourceImage image = MakePhoto(40, 24, 3);
    std::vector<uint8_t> file;
    ASSERT_EQ(Encode(image, Options(6), file), 0);
    const long sof = FindMarker(file, 0xC0);
    ASSERT_GT(sof, 0);
    EXPECT_EQ(file[sof + 11], 0x22);
    EXPECT_EQ(file[sof + 14], 0x11);
    EXPECT_EQ(file[sof + 17], 0x11);
}

TEST(EncodeFileStructure, GreyUsesOneQuantTableAndOneHuffmanPair) {
    SourceImage image = MakePhoto(20, 20, 1);
    std::vector<uint8_t> file;
    ASSERT_EQ(Encode(image, Options(8), file), 0);
    const long dqt = FindMarker(file, 0xDB);
    EXPECT_EQ(file[dqt + 2] << 8 | file[dqt + 3], 2 + 65);
    const long sof = FindMarker(file, 0xC0);
    EXPECT_EQ(file[sof + 9], 1);   // one component
    EXPECT_EQ(file[sof + 10], 0);  // identifier 0
    EXPECT_EQ(file[sof + 11], 0x11);
    const long dht = FindMarker(file, 0xC4);
    const size_t dhtEnd = dht + 2 + (file[dht + 2] << 8 | file[dht + 3]);
    size_t at = dht + 4;
    std::vector<uint8_t> tables;
    while (at < dhtEnd) {
        tables.push_back(file[at]);
        size_t symbols = 0;
        for (int i = 1; i <= 16; ++i) {
            symbols += file[at + i];
        }
        at += 17 + symbols;
    }
    EXPECT_EQ(at, dhtEnd);
    EXPECT_EQ(tables, (std::vector<uint8_t>{0x00, 0x10}));
}

TEST(EncodeFileStructure, ScanModesSelectFrameKindAndScanScript) {
    SourceImage image = MakePhoto(30, 20, 3);
    struct Case {
        uint32_t scanMode;
        uint8_t frame;
        size_t scans;
    };
    for (const Case& c : {Case{0, 0xC0, 1}, Case{1, 0xC0, 1}, Case{2, 0xC1, 1}, Case{3, 0xC2, 7}}) {
        std::vector<uint8_t> file;
        ASSERT_EQ(Encode(image, Options(8, c.scanMode), file), 0);
        EXPECT_GT(FindMarker(file, c.frame), 0) << c.scanMode;
        EXPECT_EQ(CountScans(file), c.scans) << c.scanMode;
        EXPECT_EQ(file.back(), 0xD9);
    }
}

TEST(EncodeFileStructure, InvalidArgumentsAreRefused) {
    SourceImage image = MakePhoto(16, 16, 3);
    std::vector<uint8_t> file;
    EXPECT_EQ(Encode(image, Options(13), file), HXJPEG_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(Encode(image, Options(8, 4), file), HXJPEG_ERR_INVALID_ARGUMENT);

    MemoryWriter writer;
    HXJPEGEncoder* encoder = nullptr;
    ASSERT_EQ(HXJPEGEncoderCreate(writer.Writer(), Options(8), &encoder), 0);
    HXJPEGImageContent content = ContentOf(image);
    EXPECT_EQ(HXJPEGEncoderWriteContent(encoder, HXJPEGHeader{16, 16, 3, 0}, content),
              HXJPEG_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(
        HXJPEGEncoderWriteContent(encoder, HXJPEGHeader{16, 16, 1, HXJPEG_COLOR_RGB}, content),
        HXJPEG_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(
        HXJPEGEncoderWriteContent(encoder, HXJPEGHeader{16, 16, 3, HXJPEG_COLOR_CMYK}, content),
        HXJPEG_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(HXJPEGEncoderWriteContent(encoder, HXJPEGHeader{0, 16, 3, HXJPEG_COLOR_RGB}, content),
              HXJPEG_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(
        HXJPEGEncoderWriteContent(nullptr, HXJPEGHeader{16, 16, 3, HXJPEG_COLOR_RGB}, content),
        HXJPEG_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(HXJPEGEncoderCreate(writer.Writer(), Options(8), nullptr),
              HXJPEG_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(writer.finishCalls, 0);
    HXJPEGEncoderRelease(encoder);
    EXPECT_EQ(HXJPEGEncoderRelease(nullptr), 0);
}

// Colour space 6 (RGB plus a fourth channel) and 5 are read as RGB from the first three
// planes.
TEST(EncodeFileStructure, FourChannelRgbInputIsEncodedAsRgb) {
    SourceImage rgb = MakePhoto(24, 16, 3);
    SourceImage rgbx{24, 16, 4, std::vector<uint8_t>(24 * 16 * 4, 255)};
    for (uint32_t y = 0; y < 16; ++y) {
        for (uint32_t x = 0; x < 24; ++x) {
            for (uint32_t c = 0; c < 3; ++c) {
                rgbx.At(x, y, c) = rgb.At(x, y, c);
            }
        }
    }
    std::vector<uint8_t> expected;
    ASSERT_EQ(Encode(rgb, Options(8), expected), 0);
    MemoryWriter writer;
    HXJPEGEncoder* encoder = nullptr;
    ASSERT_EQ(HXJPEGEncoderCreate(writer.Writer(), Options(8), &encoder), 0);
    EXPECT_EQ(HXJPEGEncoderWriteContent(encoder, HXJPEGHeader{24, 16, 3, HXJPEG_COLOR_RGBX},
                                        ContentOf(rgbx)),
              0);
    HXJPEGEncoderRelease(encoder);
    EXPECT_EQ(writer.bytes, expected);
}

// The class wrapper: the same bytes as the flat calls, failures as HXJPEG::Exception.
#include "HXJPEG/wrapper/Encoder.h"

namespace {
struct VectorWriter : HXJPEG::Writer {
    std::vector<uint8_t> bytes;
    int finished = 0;
    void Write(const uint8_t* data, uint32_t count, uint32_t) override {
        bytes.insert(bytes.end(), data, data + count);
    }
    void Finish() override { ++finished; }
};
}  // namespace

TEST(EncodeFileStructure, ClassWrapperWritesTheSameFileAndThrowsCodes) {
    SourceImage image = MakePhoto(24, 16, 3);
    std::vector<uint8_t> expected;
    ASSERT_EQ(Encode(image, Options(8), expected), 0);
    VectorWriter writer;
    {
        HXJPEG::Encoder encoder(writer, Options(8));
        encoder.WriteContent(HXJPEGHeader{24, 16, 3, HXJPEG_COLOR_RGB}, ContentOf(image));
    }
    EXPECT_EQ(writer.bytes, expected);
    EXPECT_EQ(writer.finished, 1);

    VectorWriter other;
    HXJPEG::Encoder encoder(other, Options(13));
    try {
        encoder.WriteContent(HXJPEGHeader{24, 16, 3, HXJPEG_COLOR_RGB}, ContentOf(image));
        ADD_FAILURE() << "no exception";
    } catch (const HXJPEG::Exception& e) {
        EXPECT_EQ(e.Code(), HXJPEG_ERR_INVALID_ARGUMENT);
    }
}
