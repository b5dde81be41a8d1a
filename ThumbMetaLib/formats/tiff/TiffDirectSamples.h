#pragma once

#include <tiffio.h>

#include "ThumbMetaLib/formats/tiff/TiffFields.h"
#include "ThumbMetaLib/pixels/Pixels.h"

namespace ThumbMetaLib {

// True for the images whose samples the engine keeps in their own colour mode rather than
// have libtiff turn them into RGB: CMYK (ink set CMYK, 8 or 16 bits), CIE L*a*b* (8 or 16
// bits) and 32-bit floating-point grayscale or RGB.
bool UsesDirectSamples(const TiffFields& fields);

// Reads such an image into a planar 8-bit buffer: CMYK as ink (mode 4), Lab in the engine's
// 8-bit encoding (L 0-255, a and b offset by 128; mode 9), float clipped to 0..1 and scaled
// (grayscale or RGB). Extra samples (alpha, spot inks) are left out. Bands libtiff cannot
// decode stay white and are counted in `failedBands`.
PixelsPtr ReadDirectSamples(TIFF* tiff, const TiffFields& fields, uint32_t& failedBands,
                            uint32_t& bands);

}  // namespace ThumbMetaLib
