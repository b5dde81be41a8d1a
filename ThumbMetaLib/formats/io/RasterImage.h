#pragma once

#include <cstdint>
#include <vector>

#include "ThumbMetaLib/pixels/Pixels.h"

namespace ThumbMetaLib {

// What a raster reader gives the engine: the composite at 8 bits per channel, the file's own
// colour mode and depth, its resolution and the ICC profile it embeds.
struct RasterImage {
    PixelsPtr pixels;
    int32_t fileMode = kModeRGB;  // the colour mode of the file (Pixels.h numbering)
    int32_t bitsPerChannel = 8;   // as stored in the file
    double resolution = 0;        // pixels per inch; 0 when the file does not say
    std::vector<uint8_t> iccProfile;
};

}  // namespace ThumbMetaLib
