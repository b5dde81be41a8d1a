#pragma once

#include <cstdint>
#include <utility>

#include "ThumbMetaLib/pixels/Pixels.h"

namespace ThumbMetaLib {

// Scale modes: 0 the processor-specific resize kernels (the service's final fit), 1 the
// separable cubic resampler (the engine's own thumbnails), 2 its sharper cubic variant.
enum ScaleMode : int32_t { kScaleKernels = 0, kScaleCubic = 1, kScaleCubicSharp = 2 };

// The size that fits width x height into a square of `maxEdge`: the longer side becomes
// maxEdge, the other scales with truncating integer arithmetic (257 x 1 at 256 -> 256 x 0).
std::pair<uint32_t, uint32_t> FitToSize(uint32_t width, uint32_t height, uint32_t maxEdge);

// Null when the buffer already fits (never enlarges); otherwise Resize to FitToSize.
PixelsPtr ScaleToFit(const Pixels& pixels, uint32_t maxEdge, int32_t scaleMode);

// Re-decodes a buffer's source file first when it names one (see SourceFileDecoder.h), turns a
// zero width or height into 1, and resamples; null when the buffer already fits or nothing could
// be made.
PixelsPtr Resize(const Pixels& pixels, uint32_t width, uint32_t height, int32_t scaleMode);

// Null for a zero or enlarging size; `allowEnlarging` is accepted for the callers' sake and
// enlarging is never done.
PixelsPtr Resample(const Pixels& source, uint32_t width, uint32_t height, int32_t scaleMode,
                   bool allowEnlarging = false);

}  // namespace ThumbMetaLib
