#pragma once

#include <cstdint>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace HXJPEG {

// The RGB to YCbCr arithmetic of the encoder, the one place every converter (portable, SSE2,
// SSSE3, AVX2; RGB, RGB + alpha, CMYK's first three channels) takes it from. Fixed point with
// 8 fractional bits:
//   Y - 128  = ( 77 R + 150 G +  29 B - 32768 + 128) >> 8
//   Cb - 128 = (-43 R -  85 G + 128 B         + 128) >> 8
//   Cr - 128 = (128 R - 107 G -  21 B         + 128) >> 8
// and with 2x2 chroma sampling each Cb, Cr is (the sum of the group's four products + 512) >> 10.
//
// Departs on purpose from the older arithmetic that shifted the sums down without rounding: the
// floor biased every sample by half a step, which cost about 14% in file size at equal PSNR
// and made the finest qualities stall. Rounding to nearest (half up) removes the bias; nothing
// else in the file changes.
struct YCbCrWeights {
    int16_t r, g, b;
};
inline constexpr YCbCrWeights kLumaWeights = {77, 150, 29};
inline constexpr YCbCrWeights kBlueWeights = {-43, -85, 128};
inline constexpr YCbCrWeights kRedWeights = {128, -107, -21};
// Subtracted from the luma sum so that Y comes out level-shifted like the chroma.
inline constexpr int32_t kLumaOffset = -32768;

// Each weighted sum fits 16 bits (the magnitudes of each row's weights add up to 256), the
// rounded sum of a chroma row of pure blue or red does not (32640 + 128): vector code rounds
// in two shifts, floor((floor(s / 128) + 1) / 2), which equals floor((s + 128) / 256).
inline int16_t RoundedSample(int32_t weightedSum) {
    return static_cast<int16_t>((weightedSum + 128) >> 8);
}
inline int16_t RoundedGroupOfFour(int32_t weightedSum) {
    return static_cast<int16_t>((weightedSum + 512) >> 10);
}

#if defined(__SSE2__)
__attribute__((always_inline)) inline __m128i RoundedSamples(__m128i weightedSums) {
    return _mm_srai_epi16(_mm_add_epi16(_mm_srai_epi16(weightedSums, 7), _mm_set1_epi16(1)), 1);
}
__attribute__((always_inline)) inline __m128i RoundedGroupsOfFour(__m128i weightedSums32) {
    return _mm_srai_epi32(_mm_add_epi32(weightedSums32, _mm_set1_epi32(512)), 10);
}
__attribute__((target("avx2"), always_inline)) inline __m256i RoundedSamples(__m256i weightedSums) {
    return _mm256_srai_epi16(
        _mm256_add_epi16(_mm256_srai_epi16(weightedSums, 7), _mm256_set1_epi16(1)), 1);
}
#endif

}  // namespace HXJPEG
