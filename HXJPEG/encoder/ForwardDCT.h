#pragma once

#include <cstdint>

#include "HXJPEG/common/ZigZag.h"
#include "HXJPEG/encoder/EncoderQuantTable.h"

namespace HXJPEG {

// Integer AAN forward DCT of one 8x8 block of level-shifted samples (columns, then rows;
// multiplications with 8 fractional bits rounded as (x * k + 127) >> 8, values carrying the
// fractional bits of ForwardDCTPrecision.h), followed by quantisation with the reciprocals,
// rounded half away from zero. The result is in zig-zag order. AC values are kept within +-1023
// so that they fit the 10-bit categories of 8-bit JPEG. Runs the form of the active
// EncoderSIMDLevel; all forms give the same values.
void ForwardDCTQuantise(const int16_t* samples, uint32_t stride, const EncoderQuantTable& table,
                        int16_t* zigzagOut);

// The same for the horizontally adjacent blocks at `samples` and `samples + 8`; also gives
// each block's non-zero bitmap (bit k: zig-zag coefficient k is non-zero).
void ForwardDCTQuantisePair(const int16_t* samples, uint32_t stride, const EncoderQuantTable& table,
                            int16_t* zigzagFirst, int16_t* zigzagSecond, uint64_t nonZero[2]);

// ForwardDCTQuantisePair's form for the active level, for loops that fetch it once.
using ForwardDCTPairFunction = void (*)(const int16_t* samples, uint32_t stride,
                                        const EncoderQuantTable& table, int16_t* zigzagFirst,
                                        int16_t* zigzagSecond, uint64_t nonZero[2]);
ForwardDCTPairFunction ActiveForwardDCTPair();

// The individual forms (the vector ones exist on x86-64 only).
void ForwardDCTQuantisePortable(const int16_t* samples, uint32_t stride,
                                const EncoderQuantTable& table, int16_t* zigzagOut);
void ForwardDCTQuantiseSSE2(const int16_t* samples, uint32_t stride, const EncoderQuantTable& table,
                            int16_t* zigzagOut);
void ForwardDCTQuantiseSSSE3(const int16_t* samples, uint32_t stride,
                             const EncoderQuantTable& table, int16_t* zigzagOut);
void ForwardDCTQuantiseAVX2(const int16_t* samples, uint32_t stride, const EncoderQuantTable& table,
                            int16_t* zigzagOut);
void ForwardDCTQuantisePairAVX2(const int16_t* samples, uint32_t stride,
                                const EncoderQuantTable& table, int16_t* zigzagFirst,
                                int16_t* zigzagSecond, uint64_t nonZero[2]);

// The quantisation step alone, on a block in the transposed layout the transforms leave their
// output in (any reciprocal size); writes zig-zag order. The DC term is not limited: its
// difference has its own 11-bit categories.
void QuantiseTransposed(const int16_t* transformed, const EncoderQuantTable& table,
                        int16_t* zigzagOut);
// The DC term alone, as QuantiseTransposed computes it (for the vector forms).
int16_t QuantiseDC(int16_t transformedDC, const EncoderQuantTable& table);

// Zig-zag index -> position in the transposed layout the transform leaves its output in.
inline constexpr auto kZigZagToTransposed = [] {
    struct Table {
        uint8_t v[64];
    } table{};
    for (int k = 0; k < 64; ++k) {
        const int natural = kZigZagToNatural[k];
        table.v[k] = static_cast<uint8_t>((natural % 8) * 8 + natural / 8);
    }
    return table;
}();

}  // namespace HXJPEG
