#pragma once

#include <cstdint>

#include "ThumbMetaLib/pixels/Pixels.h"

namespace ThumbMetaLib {

// Scale mode 0: one call of the processor-specific resize kernels, keeping the source's layout.
// Planar 1, 3 or 4 channels and interleaved 3 or 4 channels are served; anything else, and any
// non-zero kernel status, gives null. A result without data when memory runs out.
PixelsPtr ResampleWithKernels(const Pixels& source, uint32_t width, uint32_t height,
                              int32_t interpolation);

}  // namespace ThumbMetaLib
