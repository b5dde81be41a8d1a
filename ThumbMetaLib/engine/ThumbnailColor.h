#pragma once

#include <string>

#include "ThumbMetaLib/engine/FBFileFormat.h"
#include "ThumbMetaLib/engine/ThumbOptions.h"

namespace ThumbMetaLib {

// The ICC profile name the file's metadata records (the pictorium schema's "ICCProfile"
// property of the options' metadata); empty when there is none.
std::string MetadataProfileName(const ThumbOptions& options);

// Brings a handler's pixels to the output space: chooses the source profile (the handler's
// embedded profile, else the one the metadata names, else the working profile of the mode)
// and converts. Returns the converted buffer (a new one when the colour mode changes), the
// pixels unchanged when nothing needs converting, or null when a CMYK or Lab buffer could not
// be converted (a colour error is logged).
PixelsPtr ConvertThumbnailColor(const FBFileFormat& handler, PixelsPtr pixels,
                                ThumbOptions& options);

}  // namespace ThumbMetaLib
