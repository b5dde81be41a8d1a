// Decoded frames to RGBA through libswscale, as the frame describes its colours.
#include <gtest/gtest.h>

#include <cstring>

extern "C" {
#include <libavutil/frame.h>
}

#include "ThumbMetaLib/video/FFmpegHandles.h"
#include "ThumbMetaLib/video/FrameScaler.h"

namespace ThumbMetaLib::video {
namespace {

// A 16 x 8 YUV 4:2:0 frame of one colour whose matrix field holds `matrixCode` as FFmpeg's
// decoders store it: the stream's number, which may lie outside the enum's values.
FrameHandle OneColourFrame(int matrixCode) {
    FrameHandle frame(av_frame_alloc());
    frame->width = 16;
    frame->height = 8;
    frame->format = AV_PIX_FMT_YUV420P;
    if (av_frame_get_buffer(frame.get(), 0) != 0) {
        return nullptr;
    }
    const int values[3] = {150, 90, 200};
    for (int plane = 0; plane < 3; ++plane) {
        const int rows = plane == 0 ? 8 : 4;
        std::memset(frame->data[plane], values[plane], size_t(frame->linesize[plane]) * rows);
    }
    std::memcpy(&frame->colorspace, &matrixCode, sizeof(matrixCode));
    return frame;
}

// A fuzz campaign's find (testdata/fuzz-regressions/video/matrix-number-outside-the-enum, an
// MPEG-2 stream naming matrix 255): decoders keep any matrix number up to 255 in the frame, and
// reading it as the enum was undefined. Unknown numbers convert as a frame naming none (BT.601).
TEST(FrameScalerTest, MatrixNumbersUnknownToFFmpegConvertAsTheDefault) {
    const FrameGeometry geometry{16, 8, {}};
    FrameScaler scaler;
    const FrameHandle unnamed = OneColourFrame(AVCOL_SPC_UNSPECIFIED);
    ASSERT_NE(unnamed, nullptr);
    const PixelsPtr reference = scaler.Convert(*unnamed, geometry);
    ASSERT_NE(reference, nullptr);
    const FrameHandle bt709 = OneColourFrame(AVCOL_SPC_BT709);
    const PixelsPtr other = scaler.Convert(*bt709, geometry);
    ASSERT_NE(other, nullptr);
    EXPECT_NE(std::memcmp(reference->Bytes(), other->Bytes(), 4), 0) << "the matrix is applied";
    for (int code : {96, 185, 255}) {
        const FrameHandle frame = OneColourFrame(code);
        const PixelsPtr pixels = scaler.Convert(*frame, geometry);
        ASSERT_NE(pixels, nullptr) << code;
        EXPECT_EQ(std::memcmp(reference->Bytes(), pixels->Bytes(), 4), 0) << code;
    }
}

}  // namespace
}  // namespace ThumbMetaLib::video
