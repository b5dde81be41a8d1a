#pragma once

#include <cstdint>
#include <string>

#include "ThumbMetaLib/pixels/Pixels.h"

namespace kvloom {

// Thumbnail pixels (RGB, interleaved or planar, with a fourth channel ignored; or grey) as
// JPEG bytes at
// `quality` on the codec's 0..12 scale. The codec judges the quality itself: what it refuses
// fails with KVIllegalArgument naming the quality and the codec's result code.
std::string EncodeThumbnailJPEG(const ThumbMetaLib::Pixels& pixels, int32_t quality);

// The image of JPEG bytes held in memory, or null when the codec cannot decode them.
ThumbMetaLib::PixelsPtr DecodeJPEGBytes(const std::string& bytes);

}  // namespace kvloom
