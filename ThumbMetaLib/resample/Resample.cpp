#include "ThumbMetaLib/resample/Resample.h"

#include "ThumbMetaLib/resample/KernelResampler.h"
#include "ThumbMetaLib/resample/SeparableResampler.h"
#include "ThumbMetaLib/resample/SourceFileDecoder.h"
#include "ThumbMetaLib/resample/TResizeTable.h"

namespace ThumbMetaLib {
namespace {

// Mode 0 hands the kernels interpolation code 1.
constexpr int32_t kKernelInterpolation = 1;

}  // namespace

std::pair<uint32_t, uint32_t> FitToSize(uint32_t width, uint32_t height, uint32_t maxEdge) {
    if (width >= height) {
        return {maxEdge, width == 0 ? 0 : uint32_t(uint64_t{height} * maxEdge / width)};
    }
    return {uint32_t(uint64_t{width} * maxEdge / height), maxEdge};
}

PixelsPtr ScaleToFit(const Pixels& pixels, uint32_t maxEdge, int32_t scaleMode) {
    if (pixels.Width() <= maxEdge && pixels.Height() <= maxEdge) {
        return nullptr;
    }
    const auto [width, height] = FitToSize(pixels.Width(), pixels.Height(), maxEdge);
    return Resize(pixels, width, height, scaleMode);
}

PixelsPtr Resize(const Pixels& pixels, uint32_t width, uint32_t height, int32_t scaleMode) {
    const Pixels* source = &pixels;
    PixelsPtr decoded;
    if (!pixels.SourceFile().empty()) {
        // Without an installed decoder the buffer in hand is the best there is.
        if (SourceFileDecoder decode = CurrentSourceFileDecoder()) {
            decoded = decode(pixels.SourceFile());
            if (!decoded) {
                return nullptr;
            }
            source = decoded.get();
        }
    }
    width = width == 0 ? 1 : width;
    height = height == 0 ? 1 : height;
    if (source->Width() <= width && source->Height() <= height) {
        return nullptr;
    }
    return Resample(*source, width, height, scaleMode, false);
}

PixelsPtr Resample(const Pixels& source, uint32_t width, uint32_t height, int32_t scaleMode,
                   bool /*allowEnlarging*/) {
    if (width == 0 || height == 0 || source.Width() < width || source.Height() < height) {
        return nullptr;
    }
    switch (scaleMode) {
        case kScaleCubic:
            return ResampleSeparable(source, width, height, TResizeTable::kCubic);
        case kScaleCubicSharp:
            return ResampleSeparable(source, width, height, TResizeTable::kCubicSharper);
        default:
            return ResampleWithKernels(source, width, height, kKernelInterpolation);
    }
}

}  // namespace ThumbMetaLib
