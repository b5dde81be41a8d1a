#pragma once

#include <cstddef>
#include <cstdint>

#include "ThumbMetaLib/engine/ThumbImageInfo.h"
#include "ThumbMetaLib/formats/jpeg/JPEGSource.h"
#include "ThumbMetaLib/pixels/Pixels.h"

namespace ThumbMetaLib {

// Decoded buffers larger than this are refused before their memory is asked for (the frame
// header alone may claim 65535 x 65535 pixels).
inline constexpr size_t kMaxDecodedBytes = size_t{1} << 30;

// The colour mode of a header's colour space: grey 1, CMYK 4, YCbCr 9, anything else RGB.
int32_t ModeForColorSpace(uint32_t colorSpace);

// True when a decode for the requested size `maxSize` (0 = no limit) reads the image at one
// eighth: exactly when the one-eighth image is still at least maxSize on its larger side.
bool WantsReducedDecode(uint32_t width, uint32_t height, uint32_t maxSize);

// Decodes `source` into an interleaved buffer (one channel for grayscale), at one eighth when
// WantsReducedDecode says so. With `info`, a MetaDataHandler is attached to the source (unless
// it has one) and `info` receives the decoded size, the colour mode and what the handler found.
// Null when the codec fails or the buffer would exceed `maxBytes`.
PixelsPtr DecodeJPEG(JPEGSource& source, uint32_t maxSize, ThumbImageInfo* info,
                     size_t maxBytes = kMaxDecodedBytes);

}  // namespace ThumbMetaLib
