#pragma once

#include "ThumbMetaLib/formats/jpeg/MarkerScan.h"
#include "ThumbMetaLib/pixels/Pixels.h"

namespace ThumbMetaLib {

// An embedded thumbnail is small; one whose frame claims more than this is refused.
inline constexpr size_t kMaxEmbeddedThumbnailBytes = size_t{16} << 20;

// Decodes the thumbnail the marker scan found, at its own size, with the channel swap its
// resource asks for; null when there is none or it does not decode.
PixelsPtr DecodeEmbeddedThumbnail(const MarkerScanResult& scan);

}  // namespace ThumbMetaLib
