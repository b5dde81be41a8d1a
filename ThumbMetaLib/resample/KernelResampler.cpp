#include "ThumbMetaLib/resample/KernelResampler.h"

#include <limits>

#include "ThumbMetaLib/resample/PixelsGeometry.h"
#include "resize/ResizeKernels.h"

namespace ThumbMetaLib {

PixelsPtr ResampleWithKernels(const Pixels& source, uint32_t width, uint32_t height,
                              int32_t interpolation) {
    constexpr uint32_t kMax = std::numeric_limits<int32_t>::max();
    if (width == 0 || height == 0 || !HasConsistentMemory(source) || source.Width() > kMax ||
        source.Height() > kMax || source.RowBytes() > kMax || width > kMax || height > kMax) {
        return nullptr;
    }
    const int32_t channels = source.Channels();
    const bool planar = source.Layout() == kLayoutPlanar;
    if (planar && channels != 1 && channels != 3 && channels != 4) {
        return nullptr;
    }
    PixelsPtr result =
        Pixels::Create(width, height, channels, source.Mode(), source.Layout(), true);
    result->SetInOutputSpace(source.InOutputSpace());
    result->SetProfile(source.Profile());
    if (result->Bytes() == nullptr) {
        return result;
    }
    if (result->RowBytes() > kMax) {
        return nullptr;
    }

    const int32_t sw = int32_t(source.Width());
    const int32_t sh = int32_t(source.Height());
    const int32_t sstep = int32_t(source.RowBytes());
    const int32_t dw = int32_t(width);
    const int32_t dh = int32_t(height);
    const int32_t dstep = int32_t(result->RowBytes());
    const double xf = double(width) / double(source.Width());
    const double yf = double(height) / double(source.Height());
    int32_t status;
    if (planar) {
        const uint8_t* src[4] = {source.Plane(0), source.Plane(1), source.Plane(2),
                                 source.Plane(3)};
        uint8_t* dst[4] = {result->Plane(0), result->Plane(1), result->Plane(2), result->Plane(3)};
        if (channels == 1) {
            status = resize::ResizeOneChannel(src[0], sw, sh, sstep, 0, 0, sw, sh, dst[0], dstep,
                                              dw, dh, xf, yf, interpolation);
        } else if (channels == 3) {
            status = resize::ResizePlanar3(src, sw, sh, sstep, 0, 0, sw, sh, dst, dstep, dw, dh, xf,
                                           yf, interpolation);
        } else {
            status = resize::ResizePlanar4(src, sw, sh, sstep, 0, 0, sw, sh, dst, dstep, dw, dh, xf,
                                           yf, interpolation);
        }
    } else if (channels == 3) {
        status = resize::ResizeInterleaved3(source.Bytes(), sw, sh, sstep, 0, 0, sw, sh,
                                            result->Bytes(), dstep, dw, dh, xf, yf, interpolation);
    } else {
        status = resize::ResizeInterleaved4(source.Bytes(), sw, sh, sstep, 0, 0, sw, sh,
                                            result->Bytes(), dstep, dw, dh, xf, yf, interpolation);
    }
    return status == 0 ? result : nullptr;
}

}  // namespace ThumbMetaLib
