// The single-precision AAN inverse DCT on eight lanes: the same operations in the same order as
// IDCTFloatSSE2 (and no fused multiply-add), so the samples are bit-identical; each pass covers
// all eight columns or rows at once instead of two halves.
#include "HXJPEG/decoder/IDCT.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace HXJPEG {

#if defined(__x86_64__) || defined(__i386__)
namespace {

__attribute__((target("avx"))) inline void Butterflies8(__m256* v) {
    const __m256 k1_414 = _mm256_set1_ps(1.414213562f);
    const __m256 k1_847 = _mm256_set1_ps(1.847759065f);
    const __m256 k1_082 = _mm256_set1_ps(1.082392200f);
    const __m256 k2_613 = _mm256_set1_ps(2.613125930f);

    __m256 tmp10 = _mm256_add_ps(v[0], v[4]);
    __m256 tmp11 = _mm256_sub_ps(v[0], v[4]);
    __m256 tmp13 = _mm256_add_ps(v[2], v[6]);
    __m256 tmp12 = _mm256_sub_ps(_mm256_mul_ps(_mm256_sub_ps(v[2], v[6]), k1_414), tmp13);
    __m256 tmp0 = _mm256_add_ps(tmp10, tmp13);
    __m256 tmp3 = _mm256_sub_ps(tmp10, tmp13);
    __m256 tmp1 = _mm256_add_ps(tmp11, tmp12);
    __m256 tmp2 = _mm256_sub_ps(tmp11, tmp12);

    __m256 z13 = _mm256_add_ps(v[5], v[3]);
    __m256 z10 = _mm256_sub_ps(v[5], v[3]);
    __m256 z11 = _mm256_add_ps(v[1], v[7]);
    __m256 z12 = _mm256_sub_ps(v[1], v[7]);
    __m256 tmp7 = _mm256_add_ps(z11, z13);
    tmp11 = _mm256_mul_ps(_mm256_sub_ps(z11, z13), k1_414);
    __m256 z5 = _mm256_mul_ps(_mm256_add_ps(z10, z12), k1_847);
    tmp10 = _mm256_sub_ps(_mm256_mul_ps(z12, k1_082), z5);
    tmp12 = _mm256_sub_ps(z5, _mm256_mul_ps(z10, k2_613));
    __m256 tmp6 = _mm256_sub_ps(tmp12, tmp7);
    __m256 tmp5 = _mm256_sub_ps(tmp11, tmp6);
    __m256 tmp4 = _mm256_add_ps(tmp10, tmp5);

    v[0] = _mm256_add_ps(tmp0, tmp7);
    v[7] = _mm256_sub_ps(tmp0, tmp7);
    v[1] = _mm256_add_ps(tmp1, tmp6);
    v[6] = _mm256_sub_ps(tmp1, tmp6);
    v[2] = _mm256_add_ps(tmp2, tmp5);
    v[5] = _mm256_sub_ps(tmp2, tmp5);
    v[4] = _mm256_add_ps(tmp3, tmp4);
    v[3] = _mm256_sub_ps(tmp3, tmp4);
}

// Transposes the 8x8 matrix held as eight rows.
__attribute__((target("avx"))) inline void Transpose8(__m256* v) {
    __m256 t0 = _mm256_unpacklo_ps(v[0], v[1]);
    __m256 t1 = _mm256_unpackhi_ps(v[0], v[1]);
    __m256 t2 = _mm256_unpacklo_ps(v[2], v[3]);
    __m256 t3 = _mm256_unpackhi_ps(v[2], v[3]);
    __m256 t4 = _mm256_unpacklo_ps(v[4], v[5]);
    __m256 t5 = _mm256_unpackhi_ps(v[4], v[5]);
    __m256 t6 = _mm256_unpacklo_ps(v[6], v[7]);
    __m256 t7 = _mm256_unpackhi_ps(v[6], v[7]);
    __m256 s0 = _mm256_shuffle_ps(t0, t2, 0x44);
    __m256 s1 = _mm256_shuffle_ps(t0, t2, 0xEE);
    __m256 s2 = _mm256_shuffle_ps(t1, t3, 0x44);
    __m256 s3 = _mm256_shuffle_ps(t1, t3, 0xEE);
    __m256 s4 = _mm256_shuffle_ps(t4, t6, 0x44);
    __m256 s5 = _mm256_shuffle_ps(t4, t6, 0xEE);
    __m256 s6 = _mm256_shuffle_ps(t5, t7, 0x44);
    __m256 s7 = _mm256_shuffle_ps(t5, t7, 0xEE);
    v[0] = _mm256_permute2f128_ps(s0, s4, 0x20);
    v[1] = _mm256_permute2f128_ps(s1, s5, 0x20);
    v[2] = _mm256_permute2f128_ps(s2, s6, 0x20);
    v[3] = _mm256_permute2f128_ps(s3, s7, 0x20);
    v[4] = _mm256_permute2f128_ps(s0, s4, 0x31);
    v[5] = _mm256_permute2f128_ps(s1, s5, 0x31);
    v[6] = _mm256_permute2f128_ps(s2, s6, 0x31);
    v[7] = _mm256_permute2f128_ps(s3, s7, 0x31);
}

}  // namespace

__attribute__((target("avx"))) void IDCTFloatAVX(const int16_t* natural, int count,
                                                 const QuantTable& table, int16_t* out,
                                                 size_t stride) {
    if (count <= 10) {
        IDCTFloatSSE2(natural, count, table, out, stride);  // its corner-only shortcuts
        return;
    }
    __m256 v[8];
    for (int r = 0; r < 8; ++r) {
        __m128i row = _mm_loadu_si128(reinterpret_cast<const __m128i*>(natural + r * 8));
        __m128i left = _mm_srai_epi32(_mm_unpacklo_epi16(row, row), 16);
        __m128i right = _mm_srai_epi32(_mm_unpackhi_epi16(row, row), 16);
        __m256 wide =
            _mm256_cvtepi32_ps(_mm256_insertf128_si256(_mm256_castsi128_si256(left), right, 1));
        v[r] = _mm256_mul_ps(wide, _mm256_loadu_ps(table.floatMultiplier + r * 8));
    }
    Butterflies8(v);  // columns
    Transpose8(v);
    Butterflies8(v);  // rows
    Transpose8(v);
    for (int r = 0; r < 8; ++r) {
        // Round to nearest; packs saturates a hostile block to the int16 range.
        __m256i whole = _mm256_cvtps_epi32(v[r]);
        __m128i samples =
            _mm_packs_epi32(_mm256_castsi256_si128(whole), _mm256_extractf128_si256(whole, 1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + r * stride), samples);
    }
}

#else

void IDCTFloatAVX(const int16_t* natural, int count, const QuantTable& table, int16_t* out,
                  size_t stride) {
    IDCTFloatSSE2(natural, count, table, out, stride);
}

#endif

}  // namespace HXJPEG
