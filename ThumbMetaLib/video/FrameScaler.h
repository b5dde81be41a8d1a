#pragma once

#include "ThumbMetaLib/pixels/Pixels.h"
#include "ThumbMetaLib/video/FFmpegHandles.h"
#include "ThumbMetaLib/video/FrameGeometry.h"

namespace ThumbMetaLib::video {

// Decoded frames to thumbnails with libswscale: straight from the decoder's pixel format to
// interleaved RGBA at the geometry's size (colour matrix and range as the frame records them,
// bicubic), then turned. Keeps its scaler between frames of the same shape.
class FrameScaler {
public:
    // An interleaved 4-channel Pixels, colour mode 3, alpha 255; null when the frame's pixel
    // format cannot be converted or memory runs out.
    PixelsPtr Convert(const AVFrame& frame, const FrameGeometry& geometry);

private:
    ScalerHandle scaler_;
};

}  // namespace ThumbMetaLib::video
