#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

#include "ThumbMetaLib/pixels/Pixels.h"

namespace ThumbMetaLib {

// The largest image the reader allocates: width x height x 3 bytes.
inline constexpr size_t kMaxPPMBytes = size_t{1} << 30;

// A binary PPM ("P6", maximum value 255), as the 3D render server writes its renders: an
// interleaved RGB Pixels (colour mode 3, rows padded to 4 bytes), or null when the file cannot
// be opened or is not such a file.
PixelsPtr ReadPPM(const std::string& path);
// The same from an open stream positioned at the magic line; the stream is not closed.
PixelsPtr ReadPPM(std::FILE* file);

}  // namespace ThumbMetaLib
