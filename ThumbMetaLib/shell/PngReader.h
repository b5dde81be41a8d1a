#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "ThumbMetaLib/pixels/Pixels.h"

namespace ThumbMetaLib::shell {

struct PngLimits {
    uint32_t maxSide = 8192;  // width and height, checked before any allocation
    size_t maxFileBytes = 64 * 1024 * 1024;
    // The largest block libpng may allocate while reading (chunk data, row buffers; the image
    // is ours, sized by maxSide): a chunk's claimed length is never trusted alone. An
    // ancillary chunk above it is skipped, anything else fails the read.
    size_t maxAllocation = 16 * 1024 * 1024;
};

// A PNG as interleaved RGB plus a fourth byte of 255 (colour mode 3), the form every
// thumbnail route hands the engine. Reads 1- to 16-bit grey, RGB and palette images, with or
// without alpha or a transparency chunk, interlaced or not; transparency is composited on
// white. Null for anything else: not a PNG, damaged or short data, or larger than the limits.
PixelsPtr ReadPng(const uint8_t* bytes, size_t size, const PngLimits& limits = {});
PixelsPtr ReadPngFile(const std::string& path, const PngLimits& limits = {});

}  // namespace ThumbMetaLib::shell
