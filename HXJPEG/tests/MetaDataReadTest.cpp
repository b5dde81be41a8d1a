// APPn segments reach the caller's metadata handler while a header is read.
#include <gtest/gtest.h>

#include <string>

#include "EncodeTestSupport.h"

using namespace hxjpeg_test;

namespace {

// Takes the APPn segments whose index is in `wanted` and records every call.
struct RecordingHandler {
    std::vector<int> wanted;
    std::vector<std::string> calls;
    std::vector<std::vector<uint8_t>> buffers;

    HXJPEGMetaDataHandler Handler() { return {this, &Begin, &End}; }
    static void Begin(void* self, uint8_t appIndex, uint16_t length, uint8_t** buffer) {
        auto* h = static_cast<RecordingHandler*>(self);
        h->calls.push_back("begin " + std::to_string(appIndex) + " " + std::to_string(length));
        if (std::find(h->wanted.begin(), h->wanted.end(), appIndex) != h->wanted.end()) {
            h->buffers.emplace_back(length, 0xCC);
            *buffer = h->buffers.back().data();
        }
    }
    static void End(void* self, uint8_t appIndex, uint16_t length, uint8_t* buffer, bool complete) {
        auto* h = static_cast<RecordingHandler*>(self);
        h->calls.push_back(
            "end " + std::to_string(appIndex) + " " + std::to_string(length) +
            (complete ? " complete " : " incomplete ") +
            std::string(reinterpret_cast<char*>(buffer), std::min<size_t>(length, 4)));
    }
};

// A file from our encoder with the given segments before the image.
std::vector<uint8_t> FileWithSegments(const std::vector<std::pair<uint8_t, std::string>>& segments,
                                      uint32_t channels = 3) {
    MemoryWriter writer;
    HXJPEGEncoder* encoder = nullptr;
    HXJPEGEncoderCreate(writer.Writer(), Options(8), &encoder);
    for (const auto& [index, text] : segments) {
        HXJPEGEncoderWriteMetaData(encoder,
                                   HXJPEGMetaData{reinterpret_cast<const uint8_t*>(text.data()),
                                                  static_cast<uint16_t>(text.size()), index});
    }
    SourceImage image = MakePhoto(16, 16, channels);
    HXJPEGEncoderWriteContent(
        encoder, HXJPEGHeader{16, 16, static_cast<uint8_t>(channels), ColorSpaceFor(channels)},
        ContentOf(image));
    HXJPEGEncoderRelease(encoder);
    return writer.bytes;
}

int32_t ReadHeader(const std::vector<uint8_t>& file, HXJPEGMetaDataHandler* handler,
                   bool reportWarnings = false) {
    HXJPEGDecoder* decoder = nullptr;
    int32_t result =
        HXJPEGDecoderCreateUsingData(HXJPEGData{file.data(), uint32_t(file.size())},
                                     HXJPEGDecodeOptions{1, 1}, reportWarnings, nullptr, &decoder);
    if (result == 0) {
        HXJPEGHeader header{};
        result = HXJPEGDecoderReadHeader(decoder, handler, &header);
    }
    HXJPEGDecoderRelease(decoder);
    return result;
}

}  // namespace

TEST(MetaDataRead, SegmentsArriveInFileOrderAndRefusedOnesAreSkipped) {
    HXJPEGLibInit();
    const std::vector<uint8_t> file =
        FileWithSegments({{1, "Exif one"}, {2, "ICC_PROFILE"}, {1, "http://ns"}});
    RecordingHandler handler;
    handler.wanted = {2};
    HXJPEGMetaDataHandler callbacks = handler.Handler();
    ASSERT_EQ(ReadHeader(file, &callbacks), 0);
    EXPECT_EQ(handler.calls, (std::vector<std::string>{"begin 14 12", "begin 1 8", "begin 2 11",
                                                       "end 2 11 complete ICC_", "begin 1 9"}));
    ASSERT_EQ(handler.buffers.size(), 1u);
    EXPECT_EQ(std::string(handler.buffers[0].begin(), handler.buffers[0].end()), "ICC_PROFILE");
}

TEST(MetaDataRead, SegmentCutByTheEndOfInputIsIncompleteAndWarns) {
    HXJPEGLibInit();
    std::vector<uint8_t> file = FileWithSegments({{1, std::string(200, 'x')}});
    file.resize(18 + 4 + 150);  // SOI, APP14, then 150 of the 200 payload bytes
    RecordingHandler handler;
    handler.wanted = {1};
    HXJPEGMetaDataHandler callbacks = handler.Handler();
    EXPECT_EQ(ReadHeader(file, &callbacks), HXJPEG_WARN_EARLY_END);
    EXPECT_EQ(handler.calls, (std::vector<std::string>{"begin 14 12", "begin 1 200",
                                                       "end 1 200 incomplete xxxx"}));
}

// The decoder tests the APP14 signature itself when nobody takes the segment, and from the
// handler's buffer when one does: transform 0 means plain CMYK.
TEST(MetaDataRead, App14TransformByteSelectsPlainCmykWithOrWithoutHandler) {
    HXJPEGLibInit();
    SourceImage cmyk = MakePhoto(16, 16, 4);
    std::vector<uint8_t> ycck;
    ASSERT_EQ(Encode(cmyk, Options(8), ycck), 0);
    std::vector<uint8_t> plain = ycck;
    ASSERT_EQ(plain[17], 1);  // the transform byte of our APP14
    plain[17] = 0;

    auto decode = [](const std::vector<uint8_t>& file, HXJPEGMetaDataHandler* handler) {
        SourceImage out{16, 16, 4, std::vector<uint8_t>(16 * 16 * 4)};
        HXJPEGDecoder* decoder = nullptr;
        HXJPEGDecoderCreateUsingData(HXJPEGData{file.data(), uint32_t(file.size())},
                                     HXJPEGDecodeOptions{1, 1}, false, nullptr, &decoder);
        HXJPEGHeader header{};
        EXPECT_EQ(HXJPEGDecoderReadHeader(decoder, handler, &header), 0);
        EXPECT_EQ(HXJPEGDecoderReadContent(decoder, HXJPEG_COLOR_CMYK, ContentOf(out)), 0);
        HXJPEGDecoderRelease(decoder);
        return out;
    };
    RecordingHandler taking;
    taking.wanted = {14};
    HXJPEGMetaDataHandler callbacks = taking.Handler();
    const SourceImage viaYcck = decode(ycck, nullptr);
    EXPECT_GT(Psnr(cmyk, viaYcck), 38.0);  // the encoder's CMYK survives the YCCK path
    EXPECT_EQ(decode(plain, nullptr).pixels, decode(plain, &callbacks).pixels);
    EXPECT_NE(decode(plain, nullptr).pixels, viaYcck.pixels);
    EXPECT_EQ(decode(ycck, &callbacks).pixels, viaYcck.pixels);
}
