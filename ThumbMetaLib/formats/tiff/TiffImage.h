#pragma once

#include <string>

#include "ThumbMetaLib/engine/ThumbImageInfo.h"
#include "ThumbMetaLib/formats/io/RasterImage.h"
#include "ThumbMetaLib/formats/io/RasterSource.h"

namespace ThumbMetaLib {

// True when the bytes start like a TIFF or BigTIFF file ("II" or "MM", then 42 or 43).
bool LooksLikeTiff(const uint8_t* bytes, size_t size);

// The first image of a TIFF file through libtiff, at 8 bits per channel. A file whose strips
// or tiles are partly undecodable (truncated, damaged) gives the rows libtiff could decode and
// white elsewhere; one with no decodable band at all throws TiffFormatError, as does a file
// libtiff refuses or an image over kMaxCompositeBytes (counted before allocating). With a
// `size`, the image the engine will fit into `size` x `size`, it comes back shrunk by the
// integer factor ShrinkFactorFor gives, reduced band by band as libtiff decodes.
RasterImage ReadTiffImage(RasterSource& source, const std::string& name, uint32_t size = 0);

// The first image's size, mode, depth and resolution, without reading pixels.
bool ReadTiffInfo(RasterSource& source, const std::string& name, FBImageInfo& info);

// The XMP packet of the first image (tag 700), empty when there is none.
std::string ReadTiffXMP(RasterSource& source, const std::string& name);

}  // namespace ThumbMetaLib
