#pragma once

#include <cstdint>

namespace HXJPEG {

// The vector YCbCr to RGB converters, one file per instruction set. Each converts the leading
// pixels of a row (in groups of sixteen or thirty-two) into interleaved output and returns how
// many it did; the caller converts the rest with the portable code. Callable only when the
// processor has the instruction set.
int YCCToRGBInterleavedSSE2(const int16_t* y, const int16_t* cb, const int16_t* cr, uint8_t* out,
                            int width, bool alpha);
int YCCToRGBPackedSSSE3(const int16_t* y, const int16_t* cb, const int16_t* cr, uint8_t* out,
                        int width);
int YCCToRGBPackedAVX2(const int16_t* y, const int16_t* cb, const int16_t* cr, uint8_t* out,
                       int width);

}  // namespace HXJPEG
