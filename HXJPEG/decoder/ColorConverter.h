#pragma once

#include <cstdint>

namespace HXJPEG {

// Converts one row of component samples (int16, three fractional bits, level shift not added)
// into 8-bit output samples. out[i] is the first sample of output channel i; consecutive
// samples are pixelStride bytes apart.
using RowConverter = void (*)(const int16_t* const in[4], uint8_t* const out[4],
                              uint32_t pixelStride, int width);

// The converter for a frame of `componentCount` components into output colour space
// `colorSpace` (1, 2, 4, 5 or 6). `untransformed` is the APP14 transform-0 flag. Null when the
// combination produces nothing (the caller's buffer stays untouched).
RowConverter SelectRowConverter(int componentCount, uint32_t colorSpace, bool untransformed);

// For tests: the best vector conversions (bit-exact with the portable ones), or the portable.
void SelectColorSIMD(bool useSSE2);

}  // namespace HXJPEG
