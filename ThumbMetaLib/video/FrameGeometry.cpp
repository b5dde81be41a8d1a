#include "ThumbMetaLib/video/FrameGeometry.h"

#include <algorithm>
#include <cmath>
#include <utility>

extern "C" {
#include <libavutil/display.h>
}

namespace ThumbMetaLib::video {

int32_t ClockwiseRotation(const int32_t* displayMatrix) {
    if (displayMatrix == nullptr) {
        return 0;
    }
    // FFmpeg measures the angle counter-clockwise.
    const double degrees = -av_display_rotation_get(displayMatrix);
    if (std::isnan(degrees)) {
        return 0;
    }
    const long quarters = std::lround(degrees / 90.0);
    return static_cast<int32_t>(((quarters % 4) + 4) % 4 * 90);
}

FrameGeometry FitFrame(int frameWidth, int frameHeight, AVRational sampleAspect, int32_t rotation,
                       uint32_t size) {
    FrameGeometry geometry;
    if (frameWidth <= 0 || frameHeight <= 0 || size == 0) {
        return geometry;
    }
    double shownWidth = frameWidth;
    if (sampleAspect.num > 0 && sampleAspect.den > 0) {
        shownWidth *= av_q2d(sampleAspect);
    }
    double shownHeight = frameHeight;
    const bool quarterTurn = rotation == 90 || rotation == 270;
    if (quarterTurn) {
        std::swap(shownWidth, shownHeight);
    }
    const double scale = double(size) / std::max(shownWidth, shownHeight);
    auto side = [&](double shown) {
        return static_cast<uint32_t>(std::clamp(std::lround(shown * scale), 1L, long(size)));
    };
    geometry.width = side(shownWidth);
    geometry.height = side(shownHeight);
    if (quarterTurn) {
        std::swap(geometry.width, geometry.height);  // the frame is scaled before it turns
    }
    geometry.rotation = rotation;
    return geometry;
}

}  // namespace ThumbMetaLib::video
