#pragma once

#include <cstdint>
#include <string>

#include "ThumbMetaLib/pixels/Pixels.h"

namespace ThumbMetaLib {

// What a handler learns about the full image while making a quick thumbnail (filled by
// CreateQuickThumbnail): the full image's size and sample format, and its colour.
struct ThumbImageInfo {
    uint32_t width = 0;
    uint32_t height = 0;
    int32_t channels = 0;
    int32_t bitsPerChannel = 8;
    int32_t mode = kModeRGB;
    ColorProfileHolder profile;
    std::string profileName;
};

// The six answers of GetImageInfo.
struct FBImageInfo {
    int32_t width = 0;
    int32_t height = 0;
    std::string modeName;
    int32_t mode = kModeRGB;  // -1 when the handler does not know it
    int32_t bitsPerChannel = 8;
    int32_t resolution = 72;  // pixels per inch
};

}  // namespace ThumbMetaLib
