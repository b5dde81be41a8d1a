#pragma once

#include <cstddef>
#include <cstdint>

namespace ThumbMetaLib {

// Bytes of one stored row of `width` samples at `depth` bits (bitmap rows end on a byte).
inline uint64_t StoredRowBytes(uint32_t width, uint16_t depth) {
    return (uint64_t{width} * depth + 7) / 8;
}

// Turns one stored big-endian row into 8-bit samples:
//  1 bit: 1 is black, so a set bit becomes 0 and a clear one 255;
//  16 bits: the nearest 8-bit value (v * 255 / 65535, rounded);
//  32-bit float: clipped to 0..1, then gamma-encoded with the sRGB curve (the samples of
//  these documents are linear light).
void RowTo8Bits(const uint8_t* stored, uint16_t depth, uint32_t width, uint8_t* out);

}  // namespace ThumbMetaLib
