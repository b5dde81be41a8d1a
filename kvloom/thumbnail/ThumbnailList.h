#pragma once

#include <cstdint>
#include <vector>

#include "ThumbMetaLib/pixels/Pixels.h"
#include "kvfoundation/data/IKVList.h"

namespace kvloom {

// `pixels` fitted into a square of `size` by the resize kernels (scale mode 0); the buffer
// itself when it already fits.
ThumbMetaLib::PixelsPtr FitWithKernels(const ThumbMetaLib::PixelsPtr& pixels, int32_t size);

// One JPEG thumbnail map per element of `sizes`, in order, at `quality`: entry 0 from `pixels`
// (already fitted to sizes[0]), each further entry fitted from the image of the entry before.
// Autoreleased.
kvfoundation::data::IKVList* MakeThumbnailList(const ThumbMetaLib::PixelsPtr& pixels,
                                               const std::vector<int32_t>& sizes, int32_t quality);

}  // namespace kvloom
