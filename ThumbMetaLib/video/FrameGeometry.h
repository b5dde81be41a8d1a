#pragma once

#include <cstdint>

extern "C" {
#include <libavutil/rational.h>
}

namespace ThumbMetaLib::video {

// How a stream asks its frames to be shown: mirrored left to right first (when `mirrored`),
// then turned clockwise by `rotation` (0, 90, 180 or 270). Every combination of quarter turns
// and flips is one of these eight.
struct Orientation {
    int32_t rotation = 0;
    bool mirrored = false;
};

// How a decoded frame becomes the thumbnail: scaled to width x height, then shown as
// `orientation` asks so that it stands as players show it.
struct FrameGeometry {
    uint32_t width = 0;
    uint32_t height = 0;
    Orientation orientation;
};

// The orientation a display matrix (ISO/IEC 14496-12 'tkhd' matrix, as FFmpeg hands it over)
// asks for, its turn rounded to the nearest quarter; none without a matrix. A matrix that
// mirrors (negative determinant) is a left-to-right flip followed by a turn.
Orientation DisplayOrientation(const int32_t* displayMatrix);

// The geometry that shows a `frameWidth` x `frameHeight` frame with sample aspect ratio
// `sampleAspect` (unknown when 0/x or x/0) in `orientation`, fitted into a square of
// `size`: the longer displayed side becomes `size`, the other keeps the displayed proportion
// (at least 1). Zero width when the frame or the size is empty.
FrameGeometry FitFrame(int frameWidth, int frameHeight, AVRational sampleAspect,
                       Orientation orientation, uint32_t size);

}  // namespace ThumbMetaLib::video
