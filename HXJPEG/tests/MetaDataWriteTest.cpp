// APPn segments and raw bytes written between the encoder's APP14 segment and the image.
#include <gtest/gtest.h>

#include "EncodeTestSupport.h"

using namespace hxjpeg_test;

namespace {

constexpr size_t kApp14End = 2 + 16;  // SOI + the 16-byte APP14 segment

struct EncoderFixture {
    MemoryWriter writer;
    HXJPEGEncoder* encoder = nullptr;
    EncoderFixture() { HXJPEGEncoderCreate(writer.Writer(), Options(8), &encoder); }
    ~EncoderFixture() { HXJPEGEncoderRelease(encoder); }
    int32_t WriteImage() {
        image = MakePhoto(16, 8, 3);
        return HXJPEGEncoderWriteContent(encoder, HXJPEGHeader{16, 8, 3, HXJPEG_COLOR_RGB},
                                         ContentOf(image));
    }
    SourceImage image;
};

}  // namespace

TEST(MetaDataWrite, SegmentFollowsApp14AndItsPayloadIsHandedOverUncopied) {
    EncoderFixture fixture;
    std::vector<uint8_t> payload(100);
    for (size_t i = 0; i < payload.size(); ++i) {
        payload[i] = static_cast<uint8_t>(i * 7);
    }
    ASSERT_EQ(HXJPEGEncoderWriteMetaData(fixture.encoder, HXJPEGMetaData{payload.data(), 100, 1}),
              0);
    // The payload reached the writer as the caller's own block, after SOI and APP14.
    ASSERT_EQ(fixture.writer.writePointers.size(), 2u);
    EXPECT_EQ(fixture.writer.writePointers[1], payload.data());
    ASSERT_EQ(fixture.WriteImage(), 0);

    const std::vector<uint8_t>& file = fixture.writer.bytes;
    EXPECT_EQ(file[2], 0xFF);
    EXPECT_EQ(file[3], 0xEE);
    const std::vector<uint8_t> segment(file.begin() + kApp14End, file.begin() + kApp14End + 4);
    EXPECT_EQ(segment, (std::vector<uint8_t>{0xFF, 0xE1, 0x00, 0x66}));
    EXPECT_TRUE(std::equal(payload.begin(), payload.end(), file.begin() + kApp14End + 4));
    // DQT follows the metadata directly.
    EXPECT_EQ(file[kApp14End + 104], 0xFF);
    EXPECT_EQ(file[kApp14End + 105], 0xDB);
    EXPECT_TRUE(DecodeWithLibjpeg(file).ok);
}

TEST(MetaDataWrite, LengthLimitIsCheckedAfterTheHeaderIsOut) {
    EncoderFixture fixture;
    std::vector<uint8_t> payload(65533, 0x5A);
    EXPECT_EQ(HXJPEGEncoderWriteMetaData(fixture.encoder, HXJPEGMetaData{payload.data(), 65533, 2}),
              HXJPEG_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(fixture.writer.bytes.size(), 0u);  // still staged
    EXPECT_EQ(HXJPEGEncoderWriteMetaData(fixture.encoder, HXJPEGMetaData{nullptr, 4, 2}),
              HXJPEG_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(HXJPEGEncoderWriteMetaData(fixture.encoder, HXJPEGMetaData{payload.data(), 10, 16}),
              HXJPEG_ERR_INVALID_ARGUMENT);
    ASSERT_EQ(HXJPEGEncoderWriteMetaData(fixture.encoder, HXJPEGMetaData{payload.data(), 65532, 2}),
              0);
    const std::vector<uint8_t>& file = fixture.writer.bytes;
    ASSERT_EQ(file.size(), kApp14End + 4 + 65532);
    EXPECT_EQ(file[0], 0xFF);
    EXPECT_EQ(file[1], 0xD8);
    EXPECT_EQ(std::vector<uint8_t>(file.begin() + kApp14End, file.begin() + kApp14End + 4),
              (std::vector<uint8_t>{0xFF, 0xE2, 0xFF, 0xFE}));
    // SOI and APP14 appear once however many metadata calls came first.
    ASSERT_EQ(fixture.WriteImage(), 0);
    size_t soiCount = 0;
    for (size_t i = 0; i + 1 < file.size(); ++i) {
        soiCount += file[i] == 0xFF && file[i + 1] == 0xD8;
    }
    EXPECT_EQ(soiCount, 1u);
}

TEST(MetaDataWrite, BulkBytesAndSegmentsKeepCallOrderAndReachLibjpeg) {
    EncoderFixture fixture;
    const uint8_t comment[] = {0xFF, 0xFE, 0x00, 0x07, 'h', 'e', 'l', 'l', 'o'};
    const uint8_t exif[] = {'E', 'x', 'i', 'f', 0, 0};
    EXPECT_EQ(HXJPEGEncoderBulkWriteMetaData(fixture.encoder, nullptr, 3),
              HXJPEG_ERR_INVALID_ARGUMENT);
    ASSERT_EQ(HXJPEGEncoderBulkWriteMetaData(fixture.encoder, comment, sizeof(comment)), 0);
    ASSERT_EQ(HXJPEGEncoderWriteMetaData(fixture.encoder, HXJPEGMetaData{exif, sizeof(exif), 1}),
              0);
    EXPECT_EQ(HXJPEGEncoderWriteMetaData(nullptr, HXJPEGMetaData{exif, 6, 1}),
              HXJPEG_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(HXJPEGEncoderBulkWriteMetaData(nullptr, comment, 1), HXJPEG_ERR_INVALID_ARGUMENT);
    ASSERT_EQ(fixture.WriteImage(), 0);
    const std::vector<uint8_t>& file = fixture.writer.bytes;
    EXPECT_TRUE(std::equal(comment, comment + sizeof(comment), file.begin() + kApp14End));
    EXPECT_EQ(file[kApp14End + sizeof(comment) + 1], 0xE1);
    EXPECT_TRUE(DecodeWithLibjpeg(file).ok);
}
