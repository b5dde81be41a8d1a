#pragma once

#include <tiffio.h>

#include "ThumbMetaLib/formats/tiff/TiffFields.h"
#include "ThumbMetaLib/pixels/Pixels.h"

namespace ThumbMetaLib {

// Reads the image through libtiff's RGBA interface, which knows every photometric
// interpretation, bit depth and layout it decodes (palette, min-is-white, YCbCr, 1-16 bits,
// associated and unassociated alpha, JPEG with its tables, old-style JPEG, CCITT). Rows come in
// stored order. Alpha is composed over white. Grayscale and bitmap images give one gray plane,
// everything else three RGB planes. A band libtiff cannot decode stays white and is counted.
// Throws TiffFormatError when libtiff cannot read the image at all.
PixelsPtr ReadRGBAImage(TIFF* tiff, const TiffFields& fields, uint32_t& failedBands,
                        uint32_t& bands);

}  // namespace ThumbMetaLib
