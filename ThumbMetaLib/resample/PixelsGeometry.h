#pragma once

#include "ThumbMetaLib/pixels/Pixels.h"

namespace ThumbMetaLib {

// True when the buffer's memory exists and holds every row its geometry promises: planar rows
// of at least `width` bytes, interleaved rows of 3 or 4 bytes per pixel.
bool HasConsistentMemory(const Pixels& pixels);

}  // namespace ThumbMetaLib
