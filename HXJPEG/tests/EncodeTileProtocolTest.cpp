// How the encoder pulls bands from a tile source and hands bytes to the writer.
#include <gtest/gtest.h>

#include "EncodeTestSupport.h"

using namespace hxjpeg_test;

namespace {

// A tile source over an image that records every call and can refuse one of them.
struct RecordingSource {
    explicit RecordingSource(SourceImage* source) : image(source) {}
    SourceImage* image = nullptr;
    std::vector<HXJPEGRect> tiles;
    uint32_t beginBandHeight = 0;
    uint32_t beginWidth = 0;
    int beginCalls = 0;
    int endCalls = 0;
    bool refuseBegin = false;
    int refuseTile = -1;  // index of the getTile call to refuse

    HXJPEGTiledContentReader Reader() { return {this, &Begin, &GetTile, &End}; }
    static bool Begin(void* self, uint32_t bandHeight, uint32_t width) {
        auto* source = static_cast<RecordingSource*>(self);
        ++source->beginCalls;
        source->beginBandHeight = bandHeight;
        source->beginWidth = width;
        return !source->refuseBegin;
    }
    static bool GetTile(void* self, HXJPEGRect rect, HXJPEGImageContent* out) {
        auto* source = static_cast<RecordingSource*>(self);
        if (static_cast<int>(source->tiles.size()) == source->refuseTile) {
            return false;
        }
        source->tiles.push_back(rect);
        // A fresh buffer per tile: the encoder must not read beyond the band it asked for.
        *out = ContentOf(*source->image);
        const size_t offset = size_t{rect.top} * out->rowStride;
        for (uint32_t c = 0; c < source->image->channels; ++c) {
            out->planes[c] += offset;
        }
        return true;
    }
    static void End(void* self) { ++static_cast<RecordingSource*>(self)->endCalls; }
};

int32_t EncodeTiled(RecordingSource& source, HXJPEGEncodeOptions options, MemoryWriter& writer) {
    HXJPEGEncoder* encoder = nullptr;
    EXPECT_EQ(HXJPEGEncoderCreate(writer.Writer(), options, &encoder), 0);
    const SourceImage& image = *source.image;
    const int32_t result = HXJPEGEncoderWriteTiledContent(
        encoder,
        HXJPEGHeader{static_cast<uint16_t>(image.width), static_cast<uint16_t>(image.height),
                     static_cast<uint8_t>(image.channels), ColorSpaceFor(image.channels)},
        source.Reader());
    HXJPEGEncoderRelease(encoder);
    return result;
}

std::vector<uint16_t> Tops(const std::vector<HXJPEGRect>& tiles) {
    std::vector<uint16_t> tops;
    for (const HXJPEGRect& rect : tiles) {
        tops.push_back(rect.top);
    }
    return tops;
}

}  // namespace

TEST(EncodeTileProtocol, BandWiseReadsEveryBandTwiceWholeImageOnce) {
    SourceImage image = MakePhoto(37, 40, 3);
    RecordingSource bandwise(&image);
    MemoryWriter bandwiseWriter;
    ASSERT_EQ(EncodeTiled(bandwise, Options(4), bandwiseWriter), 0);
    // Quality 4 samples luminance 2x2: bands of 16 rows, the last cut to 8.
    EXPECT_EQ(bandwise.beginBandHeight, 16u);
    EXPECT_EQ(bandwise.beginWidth, 37u);
    EXPECT_EQ(Tops(bandwise.tiles), (std::vector<uint16_t>{0, 16, 32, 0, 16, 32}));
    for (const HXJPEGRect& rect : bandwise.tiles) {
        EXPECT_EQ(rect.left, 0);
        EXPECT_EQ(rect.width, 37);
        EXPECT_EQ(rect.height, rect.top == 32 ? 8 : 16);
    }
    EXPECT_EQ(bandwise.beginCalls, 1);
    EXPECT_EQ(bandwise.endCalls, 1);
    EXPECT_EQ(bandwiseWriter.finishCalls, 1);

    RecordingSource whole(&image);
    MemoryWriter wholeWriter;
    ASSERT_EQ(EncodeTiled(whole, Options(8, 0, 2), wholeWriter), 0);
    EXPECT_EQ(whole.beginBandHeight, 8u);
    EXPECT_EQ(Tops(whole.tiles), (std::vector<uint16_t>{0, 8, 16, 24, 32}));
    EXPECT_EQ(whole.endCalls, 1);
}

TEST(EncodeTileProtocol, RefusalsStopWithTileCallbackError) {
    SourceImage image = MakePhoto(20, 30, 1);
    // Refusing begin, a first-pass tile and a second-pass tile all stop the encode; the source
    // still gets its end call, the writer never its finish.
    for (int refuse : {-2, 0, 2, 5}) {
        RecordingSource source(&image);
        source.refuseBegin = refuse == -2;
        source.refuseTile = refuse;
        MemoryWriter writer;
        EXPECT_EQ(EncodeTiled(source, Options(8), writer), HXJPEG_ERR_TILE_CALLBACK) << refuse;
        EXPECT_EQ(source.endCalls, 1) << refuse;
        EXPECT_EQ(writer.finishCalls, 0) << refuse;
    }
}

TEST(EncodeTileProtocol, OutputIsStagedInBlocksOfAtMost64KiB) {
    SourceImage image = MakePhoto(512, 384, 3);
    RecordingSource source(&image);
    MemoryWriter writer;
    ASSERT_EQ(EncodeTiled(source, Options(12), writer), 0);
    ASSERT_GT(writer.bytes.size(), 2u * 65536);
    EXPECT_LE(writer.largestWrite, 65536u);
    EXPECT_GE(writer.largestWrite, 65536u - 8);
    EXPECT_LE(writer.writePointers.size(), writer.bytes.size() / 65536 + 2);
    EXPECT_EQ(writer.finishCalls, 1);
}
