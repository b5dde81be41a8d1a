#pragma once

// The SSE2 arithmetic of the decoder's YCbCr to RGB conversion, shared by the SSE2, SSSE3 and
// AVX2 converters: exactly the results of the portable code in ColorConverter.cpp.
#include <cstddef>
#include <cstdint>

#include <immintrin.h>

namespace HXJPEG::colorlanes {

// Eight pixels of YCbCr to RGB with exactly the arithmetic of YCCToRGB: each 16.16 product is
// split into a whole part and a 16-bit high multiply, e.g. (91881 * Cr) >> 16 ==
// Cr + ((26345 * Cr) >> 16), so that 16-bit lanes give the same results as 32-bit integers.
__attribute__((always_inline)) inline void YCCToRGB8(const int16_t* y, const int16_t* cb,
                                                     const int16_t* cr, __m128i* r, __m128i* g,
                                                     __m128i* b) {
    const __m128i lo = _mm_set1_epi16(-2048);
    const __m128i hi = _mm_set1_epi16(2047);
    __m128i vy = _mm_min_epi16(_mm_max_epi16(_mm_loadu_si128((const __m128i*)y), lo), hi);
    __m128i vcb = _mm_min_epi16(_mm_max_epi16(_mm_loadu_si128((const __m128i*)cb), lo), hi);
    __m128i vcr = _mm_min_epi16(_mm_max_epi16(_mm_loadu_si128((const __m128i*)cr), lo), hi);
    __m128i rTerm = _mm_add_epi16(vcr, _mm_mulhi_epi16(vcr, _mm_set1_epi16(26345)));
    __m128i bTerm =
        _mm_add_epi16(_mm_add_epi16(vcb, vcb), _mm_mulhi_epi16(vcb, _mm_set1_epi16(-14942)));
    // G: (-22554 Cb + 18734 Cr + 64768) >> 16, minus Cr.
    const __m128i gWeights =
        _mm_set_epi16(18734, -22554, 18734, -22554, 18734, -22554, 18734, -22554);
    const __m128i gRound = _mm_set1_epi32(64768);
    __m128i pairsLo = _mm_unpacklo_epi16(vcb, vcr);
    __m128i pairsHi = _mm_unpackhi_epi16(vcb, vcr);
    __m128i gLo = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(pairsLo, gWeights), gRound), 16);
    __m128i gHi = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(pairsHi, gWeights), gRound), 16);
    __m128i gTerm = _mm_sub_epi16(_mm_packs_epi32(gLo, gHi), vcr);
    __m128i y1028 = _mm_add_epi16(vy, _mm_set1_epi16(1028));
    __m128i y1027 = _mm_add_epi16(vy, _mm_set1_epi16(1027));
    *r = _mm_srai_epi16(_mm_add_epi16(y1028, rTerm), 3);
    *g = _mm_srai_epi16(_mm_add_epi16(y1027, gTerm), 3);
    *b = _mm_srai_epi16(_mm_add_epi16(y1028, bTerm), 3);
}

// Sixteen pixels of YCbCr to RGB, saturated to bytes: one register per channel.
__attribute__((always_inline)) inline void YCCToRGB16(const int16_t* y, const int16_t* cb,
                                                      const int16_t* cr, __m128i* rgb) {
    __m128i r0, g0, b0, r1, g1, b1;
    YCCToRGB8(y, cb, cr, &r0, &g0, &b0);
    YCCToRGB8(y + 8, cb + 8, cr + 8, &r1, &g1, &b1);
    rgb[0] = _mm_packus_epi16(r0, r1);
    rgb[1] = _mm_packus_epi16(g0, g1);
    rgb[2] = _mm_packus_epi16(b0, b1);
}

// Output byte n of a 48-byte group is channel n % 3 of pixel n / 3; -128 writes zero.
alignas(16) inline constexpr int8_t kPackMasks[3][3][16] = {
    {{0, -128, -128, 1, -128, -128, 2, -128, -128, 3, -128, -128, 4, -128, -128, 5},
     {-128, 0, -128, -128, 1, -128, -128, 2, -128, -128, 3, -128, -128, 4, -128, -128},
     {-128, -128, 0, -128, -128, 1, -128, -128, 2, -128, -128, 3, -128, -128, 4, -128}},
    {{-128, -128, 6, -128, -128, 7, -128, -128, 8, -128, -128, 9, -128, -128, 10, -128},
     {5, -128, -128, 6, -128, -128, 7, -128, -128, 8, -128, -128, 9, -128, -128, 10},
     {-128, 5, -128, -128, 6, -128, -128, 7, -128, -128, 8, -128, -128, 9, -128, -128}},
    {{-128, 11, -128, -128, 12, -128, -128, 13, -128, -128, 14, -128, -128, 15, -128, -128},
     {-128, -128, 11, -128, -128, 12, -128, -128, 13, -128, -128, 14, -128, -128, 15, -128},
     {10, -128, -128, 11, -128, -128, 12, -128, -128, 13, -128, -128, 14, -128, -128, 15}}};

}  // namespace HXJPEG::colorlanes
