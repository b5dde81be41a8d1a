#pragma once

#include <cstddef>
#include <cstdint>

#include "ThumbMetaLib/formats/io/RasterLimits.h"

namespace ThumbMetaLib {

// Caps on what a file may make the reader allocate, each checked before the memory is asked
// for (the composite's own cap is kMaxCompositeBytes).
// The image resources are read whole; real ones hold a thumbnail, a profile and the XMP packet.
inline constexpr uint64_t kMaxResourceSectionBytes = uint64_t{64} << 20;
// A stored thumbnail larger than this is not a thumbnail.
inline constexpr uint64_t kMaxStoredThumbnailBytes = uint64_t{16} << 20;

}  // namespace ThumbMetaLib
