#pragma once

#include "ThumbMetaLib/formats/layered/DocumentResources.h"
#include "ThumbMetaLib/pixels/Pixels.h"

namespace ThumbMetaLib {

// Decodes the thumbnail a document stores among its image resources (1036, or 1033 with red
// and blue swapped back) with the engine's own codec; null when there is none or it does not
// decode.
PixelsPtr DecodeStoredThumbnail(const DocumentResources& resources);

}  // namespace ThumbMetaLib
