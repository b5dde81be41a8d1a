#pragma once

#include <cstdint>

namespace ThumbMetaLib {

// The most 8-bit composite memory a file may make a raster reader allocate, checked before
// the memory is asked for; 1 GiB of pixels, after libjpeg-turbo's fuzzing practice.
inline constexpr uint64_t kMaxCompositeBytes = uint64_t{1} << 30;

// Bytes of a planar 8-bit buffer of `channels` planes (rows padded to 4 bytes, as Pixels pads).
inline uint64_t PlanarBytes(uint32_t width, uint32_t height, uint32_t channels) {
    return ((uint64_t{width} + 3) & ~uint64_t{3}) * height * channels;
}

}  // namespace ThumbMetaLib
