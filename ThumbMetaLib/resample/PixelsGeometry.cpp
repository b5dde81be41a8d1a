#include "ThumbMetaLib/resample/PixelsGeometry.h"

namespace ThumbMetaLib {

bool HasConsistentMemory(const Pixels& pixels) {
    if (pixels.Bytes() == nullptr || pixels.Channels() <= 0 || pixels.Width() == 0 ||
        pixels.Height() == 0) {
        return false;
    }
    uint64_t pixelBytes = 1;
    if (pixels.Layout() == kLayoutInterleaved) {
        if (pixels.Channels() != 3 && pixels.Channels() != 4) {
            return false;
        }
        pixelBytes = uint64_t(pixels.Channels());
    } else if (pixels.Layout() != kLayoutPlanar) {
        return false;
    }
    return uint64_t{pixels.RowBytes()} >= pixelBytes * pixels.Width() &&
           pixels.Data()->Size() >= pixels.ByteCount();
}

}  // namespace ThumbMetaLib
