#pragma once

#include <cstdint>

namespace HXJPEG {

// A quantisation table prepared for the forward transform: the values as written in DQT and
// the per-coefficient divisors with the AAN row and column scale folded in.
// How many steps an AC coefficient must reach to be quantised to one step rather than zero, for
// a step `step` in a table with DC step `dcStep` (why: EncoderQuantTable.cpp).
double ZeroingSteps(uint16_t dcStep, uint16_t step);

struct EncoderQuantTable {
    uint16_t values[64] = {};      // natural order
    float divisors[64] = {};       // s[r] * s[c] * 8 * q
    int32_t reciprocals[64] = {};  // floor(65536 / divisor + 0.5), natural order
    // The reciprocals in the transposed layout that ForwardDCT leaves its output in.
    int32_t transposedReciprocals[64] = {};
    // The same as 16-bit values when every reciprocal fits (any step of 2 or more does).
    alignas(16) uint16_t transposedReciprocals16[64] = {};
    // Per coefficient (transposed layout, in the transform's output units): an AC magnitude
    // below this is quantised to zero even where rounding would give one step (below
    // ZeroingSteps steps); 0 for DC.
    alignas(16) uint16_t transposedZeroBelow[64] = {};
    bool reciprocalsFit16 = false;
    bool defined = false;

    void Set(const uint16_t naturalValues[64]);
    // 16-bit precision is needed only when a value exceeds 255 (lossless transforms of files
    // that carry such tables).
    bool NeedsSixteenBits() const;
};

}  // namespace HXJPEG
