#pragma once

// The forward AAN transform on eight 16-bit lanes (one row of eight columns per register),
// shared by the SSE2 and SSSE3 forms of ForwardDCTQuantise, with the fractional bits of
// ForwardDCTPrecision.h. With 8-bit samples every intermediate value fits 16 bits: the column
// pass stays within 1286 * 2^4, row r of the row pass within 12920 * 2 (rows 0..4), 7334 * 4,
// 5144 * 4 and 2572 * 8 (rows 5, 6, 7). The rounded products (x * k + 127) >> 8 are formed
// exactly from the 32-bit product's halves.

#if defined(__SSE2__)
#include <emmintrin.h>

#include <cstdint>

#include "HXJPEG/encoder/EncoderQuantTable.h"
#include "HXJPEG/encoder/ForwardDCTPrecision.h"

namespace HXJPEG::fdct {

// 0.707106781, 0.382683433, 0.541196100 and 1.306562965 with 8 fractional bits.
constexpr int16_t kC181 = 181;
constexpr int16_t kC98 = 98;
constexpr int16_t kC139 = 139;
constexpr int16_t kC334 = 334;

__attribute__((always_inline)) inline __m128i MultiplyLanes(__m128i x, __m128i k) {
    const __m128i low = _mm_mullo_epi16(x, k);
    const __m128i high = _mm_mulhi_epi16(x, k);
    const __m128i carry = _mm_srli_epi16(
        _mm_add_epi16(_mm_and_si128(low, _mm_set1_epi16(0xFF)), _mm_set1_epi16(127)), 8);
    return _mm_add_epi16(_mm_slli_epi16(high, 8), _mm_add_epi16(_mm_srli_epi16(low, 8), carry));
}

__attribute__((always_inline)) inline void TransformLanes(__m128i* d) {
    const __m128i tmp0 = _mm_add_epi16(d[0], d[7]);
    const __m128i tmp7 = _mm_sub_epi16(d[0], d[7]);
    const __m128i tmp1 = _mm_add_epi16(d[1], d[6]);
    const __m128i tmp6 = _mm_sub_epi16(d[1], d[6]);
    const __m128i tmp2 = _mm_add_epi16(d[2], d[5]);
    const __m128i tmp5 = _mm_sub_epi16(d[2], d[5]);
    const __m128i tmp3 = _mm_add_epi16(d[3], d[4]);
    const __m128i tmp4 = _mm_sub_epi16(d[3], d[4]);

    const __m128i tmp10 = _mm_add_epi16(tmp0, tmp3);
    const __m128i tmp13 = _mm_sub_epi16(tmp0, tmp3);
    const __m128i tmp11 = _mm_add_epi16(tmp1, tmp2);
    const __m128i tmp12 = _mm_sub_epi16(tmp1, tmp2);
    d[0] = _mm_add_epi16(tmp10, tmp11);
    d[4] = _mm_sub_epi16(tmp10, tmp11);
    const __m128i z1 = MultiplyLanes(_mm_add_epi16(tmp12, tmp13), _mm_set1_epi16(kC181));
    d[2] = _mm_add_epi16(tmp13, z1);
    d[6] = _mm_sub_epi16(tmp13, z1);

    const __m128i odd10 = _mm_add_epi16(tmp4, tmp5);
    const __m128i odd11 = _mm_add_epi16(tmp5, tmp6);
    const __m128i odd12 = _mm_add_epi16(tmp6, tmp7);
    const __m128i z5 = MultiplyLanes(_mm_sub_epi16(odd10, odd12), _mm_set1_epi16(kC98));
    const __m128i z2 = _mm_add_epi16(MultiplyLanes(odd10, _mm_set1_epi16(kC139)), z5);
    const __m128i z4 = _mm_add_epi16(MultiplyLanes(odd12, _mm_set1_epi16(kC334)), z5);
    const __m128i z3 = MultiplyLanes(odd11, _mm_set1_epi16(kC181));
    const __m128i z11 = _mm_add_epi16(tmp7, z3);
    const __m128i z13 = _mm_sub_epi16(tmp7, z3);
    d[5] = _mm_add_epi16(z13, z2);
    d[3] = _mm_sub_epi16(z13, z2);
    d[1] = _mm_add_epi16(z11, z4);
    d[7] = _mm_sub_epi16(z11, z4);
}

__attribute__((always_inline)) inline void Transpose(__m128i* r) {
    const __m128i a0 = _mm_unpacklo_epi16(r[0], r[1]);
    const __m128i a1 = _mm_unpackhi_epi16(r[0], r[1]);
    const __m128i a2 = _mm_unpacklo_epi16(r[2], r[3]);
    const __m128i a3 = _mm_unpackhi_epi16(r[2], r[3]);
    const __m128i a4 = _mm_unpacklo_epi16(r[4], r[5]);
    const __m128i a5 = _mm_unpackhi_epi16(r[4], r[5]);
    const __m128i a6 = _mm_unpacklo_epi16(r[6], r[7]);
    const __m128i a7 = _mm_unpackhi_epi16(r[6], r[7]);
    const __m128i b0 = _mm_unpacklo_epi32(a0, a2);
    const __m128i b1 = _mm_unpackhi_epi32(a0, a2);
    const __m128i b2 = _mm_unpacklo_epi32(a1, a3);
    const __m128i b3 = _mm_unpackhi_epi32(a1, a3);
    const __m128i b4 = _mm_unpacklo_epi32(a4, a6);
    const __m128i b5 = _mm_unpackhi_epi32(a4, a6);
    const __m128i b6 = _mm_unpacklo_epi32(a5, a7);
    const __m128i b7 = _mm_unpackhi_epi32(a5, a7);
    r[0] = _mm_unpacklo_epi64(b0, b4);
    r[1] = _mm_unpackhi_epi64(b0, b4);
    r[2] = _mm_unpacklo_epi64(b1, b5);
    r[3] = _mm_unpackhi_epi64(b1, b5);
    r[4] = _mm_unpacklo_epi64(b2, b6);
    r[5] = _mm_unpackhi_epi64(b2, b6);
    r[6] = _mm_unpacklo_epi64(b3, b7);
    r[7] = _mm_unpackhi_epi64(b3, b7);
}

__attribute__((always_inline)) inline __m128i LoadLanes(const LaneConstants& constants) {
    return _mm_load_si128(reinterpret_cast<const __m128i*>(constants.v));
}

// Lane r of a register holds row r of the column-transformed block: (x + bias) >> shift for
// the row's shift, as ((x + bias) * 2^(3 - shift)) >> 3.
__attribute__((always_inline)) inline __m128i RescaleForRowPass(__m128i x, __m128i bias,
                                                                __m128i multiplier) {
    return _mm_srai_epi16(_mm_mullo_epi16(_mm_add_epi16(x, bias), multiplier), kMaxRowShift);
}

// The column pass on eight rows of samples `stride` apart, transposed for the row pass (row r
// of the registers holds column r, lane r of each register row r of the coefficients).
__attribute__((always_inline)) inline void TransformColumnsOfBlock(const int16_t* samples,
                                                                   uint32_t stride, __m128i* rows) {
    for (int r = 0; r < 8; ++r) {
        rows[r] =
            _mm_slli_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(samples + r * stride)),
                           kInputFractionBits);
    }
    TransformLanes(rows);
    Transpose(rows);
}

// Both passes; the result is left transposed (row r of the registers holds column r of the
// coefficients).
__attribute__((always_inline)) inline void TransformBlock(const int16_t* samples, uint32_t stride,
                                                          __m128i* rows) {
    TransformColumnsOfBlock(samples, stride, rows);
    const __m128i bias = LoadLanes(kRowPassBias);
    const __m128i multiplier = LoadLanes(kRowPassMultiplier);
    for (int r = 0; r < 8; ++r) {
        rows[r] = RescaleForRowPass(rows[r], bias, multiplier);
    }
    TransformLanes(rows);  // rows
}

// The quantised magnitudes from the magnitudes m of one register (lane r: row r): the high half
// of m * reciprocal, then rounded to whole steps, ((high + bias) * 2^(3 - bits)) >> 3.
__attribute__((always_inline)) inline __m128i QuantiseMagnitudes(__m128i magnitude,
                                                                 __m128i reciprocal) {
    const __m128i fine = _mm_mulhi_epu16(magnitude, reciprocal);
    return _mm_srli_epi16(_mm_mullo_epi16(_mm_add_epi16(fine, LoadLanes(kQuantiseBias)),
                                          LoadLanes(kQuantiseMultiplier)),
                          kMaxRowShift);
}

// The zeroing thresholds of row r (lane: column) of the transposed layout.
__attribute__((always_inline)) inline __m128i LoadZeroBelow(const EncoderQuantTable& table, int r) {
    return _mm_load_si128(reinterpret_cast<const __m128i*>(table.transposedZeroBelow + r * 8));
}

// All ones in the lanes whose (unsigned) magnitude is at least `zeroBelow`, for every
// instruction set from SSE2 on: the saturating difference is zero exactly there.
__attribute__((always_inline)) inline __m128i KeptLanes(__m128i magnitude, __m128i zeroBelow) {
    return _mm_cmpeq_epi16(_mm_subs_epu16(zeroBelow, magnitude), _mm_setzero_si128());
}

// QuantiseValue (ForwardDCTPrecision.h) on eight lanes, for reciprocals below 65536: the
// magnitude quantised, the sign put back. AC values are limited to +-1023.
__attribute__((always_inline)) inline __m128i QuantiseLanes(__m128i c, __m128i reciprocal,
                                                            __m128i zeroBelow) {
    const __m128i sign = _mm_srai_epi16(c, 15);
    const __m128i magnitude = _mm_sub_epi16(_mm_xor_si128(c, sign), sign);
    const __m128i steps =
        _mm_and_si128(QuantiseMagnitudes(magnitude, reciprocal), KeptLanes(magnitude, zeroBelow));
    const __m128i value = _mm_sub_epi16(_mm_xor_si128(steps, sign), sign);
    return _mm_max_epi16(_mm_min_epi16(value, _mm_set1_epi16(1023)), _mm_set1_epi16(-1023));
}

}  // namespace HXJPEG::fdct

#endif
