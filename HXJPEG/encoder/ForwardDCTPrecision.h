#pragma once

// The fixed-point precision the forward transform carries, shared by every form of it
// (portable, SSE2, SSSE3, AVX2) so that all of them give the same values.
//
// Departs on purpose from a transform of whole samples into whole output units: one unit of the
// AAN output is 8 s[r] s[c] times a coefficient, which at the highest frequencies is less than
// one quantisation step of 1 (0.61 at row and column 7). Rounding every product and the output
// to whole units there cost more than half a step per coefficient, so the finest tables
// (quality 11, and quality 12 with its many steps of 1) lost precision and quality 12 came out
// worse than quality 11, in larger files. The samples now enter with 4 fractional bits; before
// the row pass each row of the column-transformed block keeps as many of them as its range
// leaves room for in 16 bits (1 for the low rows, 2 for rows 5 and 6, 3 for row 7), and the
// quantiser rounds once, from those finer units. The constants (181, 98, 139, 334), the product
// rounding (x k + 127) >> 8, the reciprocals floor(65536 / d + 0.5) and the file format are as
// before.
//
// Every rounded shift by a row-dependent amount s (1..3) has two vector forms with one constant
// per lane: a rounding high multiply by 2^(15-s) where the processor has one (SSSE3, AVX2:
// (x * 2^(15-s) + 2^14) >> 15), else an add, a multiply by a power of two and a shift by the
// largest amount, ((x + 2^(s-1)) * 2^(3-s)) >> 3. Both equal (x + 2^(s-1)) >> s.

#include <cstdint>

namespace HXJPEG::fdct {

// Fractional bits of the samples entering the column pass.
inline constexpr int kInputFractionBits = 4;
// Fractional bits row r (vertical frequency) of the column-transformed block keeps through the
// row pass: the most that keep every row-pass value of that row within 16 bits (the largest
// magnitudes, in whole units, are 12920 for rows 0..4, 7334, 5144 and 2572 for rows 5, 6, 7).
inline constexpr int kRowFractionBits[8] = {1, 1, 1, 1, 1, 2, 2, 3};
// The largest shift either rounding step makes (and the fixed shift of their vector forms).
inline constexpr int kMaxRowShift = 3;

struct alignas(16) LaneConstants {
    int16_t v[8];
};

// Between the passes, row r drops kInputFractionBits - kRowFractionBits[r] bits, rounded.
inline constexpr int RowPassShift(int row) {
    return kInputFractionBits - kRowFractionBits[row];
}
inline constexpr LaneConstants kRowPassBias = [] {
    LaneConstants c{};
    for (int r = 0; r < 8; ++r) {
        c.v[r] = static_cast<int16_t>(1 << (RowPassShift(r) - 1));
    }
    return c;
}();
inline constexpr LaneConstants kRowPassMultiplier = [] {
    LaneConstants c{};
    for (int r = 0; r < 8; ++r) {
        c.v[r] = static_cast<int16_t>(1 << (kMaxRowShift - RowPassShift(r)));
    }
    return c;
}();
// The quantiser's final rounding drops the row's kRowFractionBits[r].
inline constexpr LaneConstants kQuantiseBias = [] {
    LaneConstants c{};
    for (int r = 0; r < 8; ++r) {
        c.v[r] = static_cast<int16_t>(1 << (kRowFractionBits[r] - 1));
    }
    return c;
}();
inline constexpr LaneConstants kQuantiseMultiplier = [] {
    LaneConstants c{};
    for (int r = 0; r < 8; ++r) {
        c.v[r] = static_cast<int16_t>(1 << (kMaxRowShift - kRowFractionBits[r]));
    }
    return c;
}();

// The rounding-multiply constants 2^(15 - s) of the same two steps.
inline constexpr LaneConstants kRowPassRounding = [] {
    LaneConstants c{};
    for (int r = 0; r < 8; ++r) {
        c.v[r] = static_cast<int16_t>(1 << (15 - RowPassShift(r)));
    }
    return c;
}();
inline constexpr LaneConstants kQuantiseRounding = [] {
    LaneConstants c{};
    for (int r = 0; r < 8; ++r) {
        c.v[r] = static_cast<int16_t>(1 << (15 - kRowFractionBits[r]));
    }
    return c;
}();

// A column-pass output of row r, rounded half up to the row pass's precision.
inline int32_t RescaleForRowPass(int32_t value, int row) {
    return (value + kRowPassBias.v[row]) >> RowPassShift(row);
}

// The quantised value of a transform output of row r: its magnitude times the reciprocal,
// floored to the row's fractional bits (the 16-bit high half of the product in vector code),
// then rounded half up to whole steps; a magnitude below `zeroBelow` gives zero (see
// EncoderQuantTable). Symmetric: the sign is put back afterwards.
inline int32_t QuantiseValue(int32_t value, int32_t reciprocal, int row, uint16_t zeroBelow) {
    const uint64_t magnitude = static_cast<uint64_t>(value < 0 ? -int64_t{value} : value);
    if (magnitude < zeroBelow) {
        return 0;
    }
    const uint64_t fine = (magnitude * static_cast<uint64_t>(reciprocal)) >> 16;
    const int32_t steps = static_cast<int32_t>(
        (fine + static_cast<uint64_t>(kQuantiseBias.v[row])) >> kRowFractionBits[row]);
    return value < 0 ? -steps : steps;
}

}  // namespace HXJPEG::fdct
