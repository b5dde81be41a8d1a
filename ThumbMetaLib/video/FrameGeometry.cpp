#include "ThumbMetaLib/video/FrameGeometry.h"

#include <algorithm>
#include <cmath>
#include <utility>

extern "C" {
#include <libavutil/display.h>
}

namespace ThumbMetaLib::video {

Orientation DisplayOrientation(const int32_t* displayMatrix) {
    Orientation orientation;
    if (displayMatrix == nullptr) {
        return orientation;
    }
    // Points map as (x', y') = (x, y) * [a b; c d] with a, b, c, d = entries 0, 1, 3 and 4
    // (16.16 fixed point), y pointing down. A mirroring matrix is F * R with F the flip of x:
    // F * M (its first row negated) is the turn R that follows the flip.
    int32_t matrix[9];
    std::copy(displayMatrix, displayMatrix + 9, matrix);
    const double determinant =
        double(matrix[0]) * double(matrix[4]) - double(matrix[1]) * double(matrix[3]);
    if (determinant < 0) {
        orientation.mirrored = true;
        matrix[0] = -matrix[0];
        matrix[1] = -matrix[1];
    }
    // FFmpeg measures the angle counter-clockwise.
    const double degrees = -av_display_rotation_get(matrix);
    if (std::isnan(degrees)) {
        return Orientation{};
    }
    const long quarters = std::lround(degrees / 90.0);
    orientation.rotation = static_cast<int32_t>(((quarters % 4) + 4) % 4 * 90);
    return orientation;
}

FrameGeometry FitFrame(int frameWidth, int frameHeight, AVRational sampleAspect,
                       Orientation orientation, uint32_t size) {
    FrameGeometry geometry;
    if (frameWidth <= 0 || frameHeight <= 0 || size == 0) {
        return geometry;
    }
    double shownWidth = frameWidth;
    if (sampleAspect.num > 0 && sampleAspect.den > 0) {
        shownWidth *= av_q2d(sampleAspect);
    }
    double shownHeight = frameHeight;
    const bool quarterTurn = orientation.rotation == 90 || orientation.rotation == 270;
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
    geometry.orientation = orientation;
    return geometry;
}

}  // namespace ThumbMetaLib::video
