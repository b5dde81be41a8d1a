#pragma once

#include <cstdint>
#include <string>

#include "ThumbMetaLib/pixels/Pixels.h"

namespace ThumbMetaLib {

// What decoding and the marker scan learn about a JPEG file.
struct JPEGImageInfo {
    uint32_t width = 0;
    uint32_t height = 0;
    int32_t channels = 0;
    int32_t bitsPerChannel = 8;
    int32_t mode = kModeRGB;
    ColorProfileHolder profile;
    std::string profileName;
};

}  // namespace ThumbMetaLib
