#pragma once

#include <cstddef>
#include <cstdint>

#include "ThumbMetaLib/pixels/Pixels.h"

namespace ThumbMetaLib {

// A 24-bit device-independent bitmap as the shell hands it over: rows of 3 bytes per pixel
// padded to 4 bytes; a positive height means bottom-up rows, a negative one top-down.
struct Bitmap24 {
    const uint8_t* bits = nullptr;
    size_t byteCount = 0;
    int32_t width = 0;
    int32_t height = 0;
};

// An interleaved RGB buffer of 4 bytes per pixel: the bitmap's three bytes in the bitmap's own
// order, then 255; row 0 is the top row. Null when the bitmap is empty, inconsistent or
// shorter than its size says, or when memory runs out.
PixelsPtr PixelsFromBitmap24(const Bitmap24& bitmap);

// Swaps the first and third byte of every 4-byte pixel (BGRA <-> RGBA).
void SwapFirstAndThirdBytes(uint8_t* pixels, size_t pixelCount);
// The same over every row of an interleaved 4-channel buffer; false for any other buffer.
bool SwapFirstAndThirdBytes(Pixels& pixels);

}  // namespace ThumbMetaLib
