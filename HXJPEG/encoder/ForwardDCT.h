#pragma once

#include <cstdint>

#include "HXJPEG/encoder/EncoderQuantTable.h"

namespace HXJPEG {

// Integer AAN forward DCT of one 8x8 block of level-shifted samples (columns, then rows;
// multiplications with 8 fractional bits rounded as (x * k + 127) >> 8), followed by
// quantisation: (reciprocal * c + 32767) >> 16 with an arithmetic shift. The result is in
// zig-zag order. AC values are kept within +-1023 so that they fit the 10-bit categories of
// 8-bit JPEG.
void ForwardDCTQuantise(const int16_t* samples, uint32_t stride, const EncoderQuantTable& table,
                        int16_t* zigzagOut);

}  // namespace HXJPEG
