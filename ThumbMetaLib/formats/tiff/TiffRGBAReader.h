#pragma once

#include <tiffio.h>

#include "ThumbMetaLib/formats/tiff/TiffFields.h"
#include "ThumbMetaLib/formats/tiff/TiffRowReader.h"
#include "ThumbMetaLib/pixels/Pixels.h"

namespace ThumbMetaLib {

// The mode libtiff's RGBA interface is read in: grayscale for gray and bitmap images, RGB for
// everything else.
int32_t RGBAReadMode(const TiffFields& fields);

// Reads rows [first, last) through libtiff's RGBA interface, which knows every photometric
// interpretation, bit depth and layout it decodes (palette, min-is-white, YCbCr, 1-16 bits,
// associated and unassociated alpha, JPEG with its tables, old-style JPEG, CCITT), into
// `shrinker`. Rows come in stored order. Alpha is composed over white. A band libtiff cannot
// decode stays white and is counted. Throws TiffFormatError when libtiff cannot read the image
// at all.
void ReadRGBARows(TIFF* tiff, const TiffFields& fields, uint32_t first, uint32_t last,
                  BoxShrinker& shrinker, TiffBandCount& count);

}  // namespace ThumbMetaLib
