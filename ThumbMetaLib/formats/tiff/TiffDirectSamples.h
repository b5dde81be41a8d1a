#pragma once

#include <tiffio.h>

#include "ThumbMetaLib/formats/tiff/TiffFields.h"
#include "ThumbMetaLib/formats/tiff/TiffRowReader.h"
#include "ThumbMetaLib/pixels/Pixels.h"

namespace ThumbMetaLib {

// True for the images whose samples the engine reads itself rather than have libtiff turn them
// into RGBA: CMYK (ink set CMYK, 8 or 16 bits) and CIE L*a*b* (8 or 16 bits), kept in their
// own colour mode; 32-bit floating-point grayscale or RGB; and plain 8-bit grayscale or RGB
// without extra samples, the common case, whose bytes go straight to the target.
bool UsesDirectSamples(const TiffFields& fields);

// The engine colour mode such an image is read in.
int32_t DirectSampleMode(const TiffFields& fields);

// Reads rows [first, last) of such an image into `shrinker`'s planar 8-bit target: CMYK as ink
// (mode 4), Lab in the engine's 8-bit encoding (L 0-255, a and b offset by 128; mode 9), float
// clipped to 0..1 and scaled (grayscale or RGB). Extra samples (alpha, spot inks) are left out.
// Bands libtiff cannot decode stay white and are counted.
void ReadDirectRows(TIFF* tiff, const TiffFields& fields, uint32_t first, uint32_t last,
                    BoxShrinker& shrinker, TiffBandCount& count);

}  // namespace ThumbMetaLib
