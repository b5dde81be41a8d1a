// The forward DCT with quantisation and the zig-zag reordering done in registers: byte
// shuffles gather each group of eight zig-zag positions from the transposed coefficients.
#include "HXJPEG/encoder/ForwardDCT.h"

#if defined(__SSE2__)
#include <tmmintrin.h>

#include "HXJPEG/encoder/ForwardDCTLanes.h"
#include "HXJPEG/encoder/ZigZagShuffles.h"

namespace HXJPEG {
namespace {

// fdct::TransformBlock with the rescaling between the passes done by rounding multiplies.
__attribute__((target("ssse3"), always_inline)) inline void TransformBlockSSSE3(
    const int16_t* samples, uint32_t stride, __m128i* rows) {
    fdct::TransformColumnsOfBlock(samples, stride, rows);
    const __m128i rounding = fdct::LoadLanes(fdct::kRowPassRounding);
    for (int r = 0; r < 8; ++r) {
        rows[r] = _mm_mulhrs_epi16(rows[r], rounding);
    }
    fdct::TransformLanes(rows);
}

// QuantiseLanes with the magnitude and the sign restored by SSSE3's abs and sign, and the
// final rounding by a rounding multiply.
__attribute__((target("ssse3"), always_inline)) inline __m128i QuantiseLanesSSSE3(
    __m128i c, __m128i reciprocal, __m128i rounding, __m128i zeroBelow) {
    const __m128i magnitude = _mm_abs_epi16(c);
    const __m128i steps =
        _mm_and_si128(_mm_mulhrs_epi16(_mm_mulhi_epu16(magnitude, reciprocal), rounding),
                      fdct::KeptLanes(magnitude, zeroBelow));
    const __m128i value = _mm_sign_epi16(steps, c);
    return _mm_max_epi16(_mm_min_epi16(value, _mm_set1_epi16(1023)), _mm_set1_epi16(-1023));
}

__attribute__((target("ssse3"), always_inline)) inline void TransformQuantiseReorder(
    const int16_t* samples, uint32_t stride, const EncoderQuantTable& table, int16_t* zigzagOut) {
    __m128i rows[8];
    TransformBlockSSSE3(samples, stride, rows);
    if (!table.reciprocalsFit16) {
        alignas(16) int16_t transformed[64];
        for (int r = 0; r < 8; ++r) {
            _mm_store_si128(reinterpret_cast<__m128i*>(transformed + r * 8), rows[r]);
        }
        QuantiseTransposed(transformed, table, zigzagOut);
        return;
    }
    const int16_t dc = QuantiseDC(static_cast<int16_t>(_mm_cvtsi128_si32(rows[0])), table);
    const __m128i rounding = fdct::LoadLanes(fdct::kQuantiseRounding);
    __m128i quantised[8];
    for (int r = 0; r < 8; ++r) {
        const __m128i reciprocal =
            _mm_load_si128(reinterpret_cast<const __m128i*>(table.transposedReciprocals16 + r * 8));
        quantised[r] =
            QuantiseLanesSSSE3(rows[r], reciprocal, rounding, fdct::LoadZeroBelow(table, r));
    }
    __m128i groups[8];
    for (__m128i& group : groups) {
        group = _mm_setzero_si128();
    }
#pragma GCC unroll 40
    for (uint32_t i = 0; i < kZigZagShuffleCount; ++i) {
        const ZigZagShuffle& shuffle = kZigZagShuffles.v[i];
        groups[shuffle.group] = _mm_or_si128(
            groups[shuffle.group],
            _mm_shuffle_epi8(quantised[shuffle.source],
                             _mm_load_si128(reinterpret_cast<const __m128i*>(shuffle.mask))));
    }
    // The DC term is not limited: its difference has its own 11-bit categories.
    groups[0] = _mm_insert_epi16(groups[0], dc, 0);
    for (int g = 0; g < 8; ++g) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(zigzagOut + g * 8), groups[g]);
    }
}

}  // namespace

__attribute__((target("ssse3"))) void ForwardDCTQuantiseSSSE3(const int16_t* samples,
                                                              uint32_t stride,
                                                              const EncoderQuantTable& table,
                                                              int16_t* zigzagOut) {
    TransformQuantiseReorder(samples, stride, table, zigzagOut);
}

__attribute__((target("avx2"))) void ForwardDCTQuantiseAVX2(const int16_t* samples, uint32_t stride,
                                                            const EncoderQuantTable& table,
                                                            int16_t* zigzagOut) {
    TransformQuantiseReorder(samples, stride, table, zigzagOut);
}

}  // namespace HXJPEG

#endif
