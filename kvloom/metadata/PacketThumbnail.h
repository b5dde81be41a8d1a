#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

#include "xmp/core/TXMPMeta.h"

namespace kvloom {

// One thumbnail stored in an XMP packet: an item of xmp:Thumbnails or xmp:PageInfo, a struct
// of format, width, height and Base64 image fields (xmpGImg, or xmp for older writers).
struct PacketThumbnail {
    std::string format;  // "JPEG", "AGIF", ... as written
    int32_t width = 0;
    int32_t height = 0;
    std::string image;  // decoded bytes
    bool found = false;

    int32_t Side() const { return std::max(width, height); }
};

// The arrays of the xmp schema that hold thumbnails.
inline constexpr const char* kThumbnailsArray = "Thumbnails";
inline constexpr const char* kPageInfoArray = "PageInfo";

// Item `index` (from 1) of the array. Not found when the item has no format; an item missing
// width, height or image, or whose image is not Base64, is not found either and is logged at
// level 1 (a damaged packet thumbnail never fails a request).
PacketThumbnail ReadPacketThumbnail(const xmp::TXMPMeta& meta, const char* arrayName,
                                    int32_t index);

// Clockwise degrees for an orientation code (TIFF tag 274): 3 -> 180, 6 -> 90, 8 -> 270,
// anything else 0. Mirrored codes are not turns and are left alone.
int32_t RotationForOrientation(int32_t code);
// The rotation that the packet's tiff:Orientation asks for (0 without one, or when it is not
// a number).
int32_t PacketRotation(const xmp::TXMPMeta& meta);

}  // namespace kvloom
