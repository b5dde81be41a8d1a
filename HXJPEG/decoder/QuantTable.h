#pragma once

#include <cstdint>

namespace HXJPEG {

// A dequantisation table with the AAN scale factors folded in, in natural order: value q at
// (r, c) becomes q * s[r] * s[c] as a float and, times 65536 and rounded, as an integer.
struct QuantTable {
    alignas(16) float floatMultiplier[64];
    float plainMultiplier[64];  // q itself, for the reduced-size transforms
    int32_t intMultiplier[64];
    bool defined = false;

    void Set(const uint16_t naturalValues[64]);
};

}  // namespace HXJPEG
