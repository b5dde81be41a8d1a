#pragma once

#include <cstdint>

namespace HXJPEG {

// Three channels interleaved in one buffer (RGB, BGR, RGBX, CMYK's first three ...): every
// pixel is `step` bytes (3 or 4) from the last, channel i at byte `offsets[i]` of a pixel
// that starts at `base`. The shuffle masks that pull sixteen pixels of each channel out of
// the loaded bytes are rebuilt only when the offsets change.
struct InterleavedLayout {
    const uint8_t* base = nullptr;
    uint32_t step = 0;
    uint32_t offsets[3] = {};
    alignas(16) uint8_t masks[3][4][16] = {};

    // True when the three planes form such a layout.
    bool Describe(const uint8_t* const planes[3], uint32_t pixelStride);
};

// Converts the pixels [0, n) of one row starting at `row` (a pixel start, laid out as
// `layout` says) to level-shifted Y, Cb and Cr, exactly as ColorConverterRGB's arithmetic
// does, in groups of sixteen and eight; returns n <= count, the pixels done (the caller
// finishes the rest). `available` >= count pixels exist from `row` on; no byte at or after
// the start of the last of them is read. `inverted` flips every sample (255 - value) first.
// Needs SSSE3; `vex` (AVX2 present) runs the same code in VEX form.
uint32_t ConvertInterleavedRow(const InterleavedLayout& layout, const uint8_t* row, uint32_t count,
                               uint32_t available, bool inverted, bool vex, int16_t* yOut,
                               int16_t* cbOut, int16_t* crOut);

// The same for two rows at once (`rows`: pixel 0 of each) with 2x2 chroma sampling: Y of
// both rows, and Cb and Cr of each 2x2 group (the rounded mean of its four products, as
// ColorConverterRGB computes it) at cbOut[x / 2]; n is a multiple of sixteen.
uint32_t ConvertInterleavedRowPair(const InterleavedLayout& layout, const uint8_t* const rows[2],
                                   uint32_t count, uint32_t available, bool inverted, bool vex,
                                   int16_t* const yOut[2], int16_t* cbOut, int16_t* crOut);

}  // namespace HXJPEG
