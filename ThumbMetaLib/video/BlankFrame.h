#pragma once

#include "ThumbMetaLib/pixels/Pixels.h"

namespace ThumbMetaLib::video {

// Whether an interleaved RGBA thumbnail is nearly one flat black or white (a fade, a title
// card's background): 96% of its pixels lie within a narrow band of luma at either end.
bool IsNearlyBlank(const Pixels& pixels);

}  // namespace ThumbMetaLib::video
