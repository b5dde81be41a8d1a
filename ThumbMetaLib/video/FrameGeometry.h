#pragma once

#include <cstdint>

extern "C" {
#include <libavutil/rational.h>
}

namespace ThumbMetaLib::video {

// How a decoded frame becomes the thumbnail: scaled to width x height, then turned clockwise
// by `rotation` (0, 90, 180 or 270) so that it stands as players show it.
struct FrameGeometry {
    uint32_t width = 0;
    uint32_t height = 0;
    int32_t rotation = 0;
};

// The clockwise quarter turns a display matrix (ISO/IEC 14496-12 'tkhd' matrix, as FFmpeg
// hands it over) asks for, rounded to the nearest quarter; 0 without a matrix. A mirrored
// matrix is read for its rotation only.
int32_t ClockwiseRotation(const int32_t* displayMatrix);

// The geometry that shows a `frameWidth` x `frameHeight` frame with sample aspect ratio
// `sampleAspect` (unknown when 0/x or x/0) turned by `rotation`, fitted into a square of
// `size`: the longer displayed side becomes `size`, the other keeps the displayed proportion
// (at least 1). Zero width when the frame or the size is empty.
FrameGeometry FitFrame(int frameWidth, int frameHeight, AVRational sampleAspect, int32_t rotation,
                       uint32_t size);

}  // namespace ThumbMetaLib::video
