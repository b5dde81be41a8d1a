#pragma once

#include <cstdint>

#include "ThumbMetaLib/pixels/Pixels.h"

namespace kvloom {

// `pixels` turned clockwise by `degrees` (90, 180 or 270) into a new buffer; the buffer itself
// for any other angle, and null when the new buffer cannot be allocated. Interleaved buffers
// are turned with their own pixel size (3 or 4 bytes), planar ones channel by channel.
ThumbMetaLib::PixelsPtr RotateClockwise(const ThumbMetaLib::PixelsPtr& pixels, int32_t degrees);

}  // namespace kvloom
