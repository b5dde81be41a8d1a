#pragma once

#include <cstdint>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace HXJPEG {

// The RGB to YCbCr arithmetic of the encoder, the one place every converter (portable, SSE2,
// SSSE3, AVX2; RGB, RGB + alpha, CMYK's first three channels) takes it from. Each weighted sum
// is formed with 8 fractional bits from weights with 16 (w / 65536), every product floored to
// 8 fractional bits on its own, floor(x * |w| / 256) (the high half of (x << 8) * |w| in vector
// code), then rounded:
//   Y - 128  = (sum of 19595 R, 38470 G, 7471 B - 32768 + 128) >> 8
//   Cb - 128 = (sum of -11059 R, -21709 G, 32768 B     + 128) >> 8
//   Cr - 128 = (sum of 32768 R, -27439 G, -5329 B      + 128) >> 8
// and with 2x2 chroma sampling each Cb, Cr is (the sum of the group's four sums + 512) >> 10.
//
// Departs on purpose from the older arithmetic in two ways. It shifted the sums down without
// rounding: the floor biased every sample by half a step, which cost about 14% in file size at
// equal PSNR and made the finest qualities stall; rounding to nearest (half up) removes the
// bias. And its weights had 8 fractional bits (77, 150, 29; -43, -85, 128; 128, -107, -21),
// off by up to 0.45 of a level on saturated colours: at the finest qualities that error is as
// large as the quantisation's (0.4 dB at quality 12 on a photo with strong colours). Nothing
// else in the file changes.
struct YCbCrWeights {
    int32_t r, g, b;  // with 16 fractional bits; magnitudes at most 32768
};
inline constexpr YCbCrWeights kLumaWeights = {19595, 38470, 7471};
inline constexpr YCbCrWeights kBlueWeights = {-11059, -21709, 32768};
inline constexpr YCbCrWeights kRedWeights = {32768, -27439, -5329};
// Subtracted from the luma sum so that Y comes out level-shifted like the chroma.
inline constexpr int32_t kLumaOffset = -32768;

// One channel value's product with 8 fractional bits, floored on the magnitude.
inline int32_t WeightedTerm(int32_t value, int32_t weight) {
    const int32_t term = (value * (weight < 0 ? -weight : weight)) >> 8;
    return weight < 0 ? -term : term;
}
// The weighted sum of one pixel (without the luma offset).
inline int32_t Weigh(const YCbCrWeights& w, int32_t r, int32_t g, int32_t b) {
    return WeightedTerm(r, w.r) + WeightedTerm(g, w.g) + WeightedTerm(b, w.b);
}

// Each weighted sum fits 16 bits (the magnitudes of each row's weights add up to 65536, and
// the luma sum wraps to the right value once the offset is added), the rounded sum of a chroma
// row of pure blue or red does not (32640 + 128): vector code rounds in two shifts,
// floor((floor(s / 128) + 1) / 2), which equals floor((s + 128) / 256).
inline int16_t RoundedSample(int32_t weightedSum) {
    return static_cast<int16_t>((weightedSum + 128) >> 8);
}
inline int16_t RoundedGroupOfFour(int32_t weightedSum) {
    return static_cast<int16_t>((weightedSum + 512) >> 10);
}

#if defined(__SSE2__)
// Weigh on eight pixels whose channels are 16-bit lanes of 0..255.
__attribute__((always_inline)) inline __m128i WeighLanes(__m128i r, __m128i g, __m128i b,
                                                         const YCbCrWeights& w) {
    __m128i sum = _mm_setzero_si128();
    const __m128i channels[3] = {_mm_slli_epi16(r, 8), _mm_slli_epi16(g, 8), _mm_slli_epi16(b, 8)};
    const int32_t weights[3] = {w.r, w.g, w.b};
    for (int c = 0; c < 3; ++c) {
        const int32_t magnitude = weights[c] < 0 ? -weights[c] : weights[c];
        const __m128i term =
            _mm_mulhi_epu16(channels[c], _mm_set1_epi16(static_cast<int16_t>(magnitude)));
        sum = weights[c] < 0 ? _mm_sub_epi16(sum, term) : _mm_add_epi16(sum, term);
    }
    return sum;
}
__attribute__((target("avx2"), always_inline)) inline __m256i WeighLanes(__m256i r, __m256i g,
                                                                         __m256i b,
                                                                         const YCbCrWeights& w) {
    __m256i sum = _mm256_setzero_si256();
    const __m256i channels[3] = {_mm256_slli_epi16(r, 8), _mm256_slli_epi16(g, 8),
                                 _mm256_slli_epi16(b, 8)};
    const int32_t weights[3] = {w.r, w.g, w.b};
    for (int c = 0; c < 3; ++c) {
        const int32_t magnitude = weights[c] < 0 ? -weights[c] : weights[c];
        const __m256i term =
            _mm256_mulhi_epu16(channels[c], _mm256_set1_epi16(static_cast<int16_t>(magnitude)));
        sum = weights[c] < 0 ? _mm256_sub_epi16(sum, term) : _mm256_add_epi16(sum, term);
    }
    return sum;
}
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
