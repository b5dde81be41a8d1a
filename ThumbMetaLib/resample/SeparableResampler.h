#pragma once

#include <cstdint>

#include "ThumbMetaLib/pixels/Pixels.h"

namespace ThumbMetaLib {

// Resamples every channel of `source` to a planar w x h buffer with the kernel kind of
// TResizeTable, one axis at a time, ordering the passes so the intermediate is the smaller one.
// Null for sizes that are not positive, larger than the source, sides longer than
// TResizeTable::kMaxLength, or a source whose memory does not match its geometry; a result
// without data when memory runs out.
PixelsPtr ResampleSeparable(const Pixels& source, uint32_t width, uint32_t height,
                            int32_t kernelKind);

}  // namespace ThumbMetaLib
