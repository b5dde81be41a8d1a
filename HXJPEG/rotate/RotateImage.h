#pragma once

#include <cstdint>

#include "HXJPEG.h"

namespace HXJPEG {

// Reads a JPEG and writes it again turned or flipped without re-quantising; the transform is
// checked by the caller (0..3). Throws std::bad_alloc when memory runs out.
int32_t RotateImage(const HXJPEGReader& reader, const HXJPEGWriter& writer,
                    const HXJPEGRotateOptions& options);

}  // namespace HXJPEG
