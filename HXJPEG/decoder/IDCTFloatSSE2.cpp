#include <algorithm>
#include <cstring>

#include "HXJPEG/common/ZigZag.h"
#include "HXJPEG/decoder/IDCT.h"

#include "HXJPEG/common/CodecSIMD.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#include <xmmintrin.h>
#endif

namespace HXJPEG {

#if defined(__SSE2__)
namespace {

// One-dimensional AAN inverse transform on four lanes; v[0..7] are the eight inputs.
inline void Butterflies(__m128* v) {
    const __m128 k1_414 = _mm_set1_ps(1.414213562f);
    const __m128 k1_847 = _mm_set1_ps(1.847759065f);
    const __m128 k1_082 = _mm_set1_ps(1.082392200f);
    const __m128 k2_613 = _mm_set1_ps(2.613125930f);

    __m128 tmp10 = _mm_add_ps(v[0], v[4]);
    __m128 tmp11 = _mm_sub_ps(v[0], v[4]);
    __m128 tmp13 = _mm_add_ps(v[2], v[6]);
    __m128 tmp12 = _mm_sub_ps(_mm_mul_ps(_mm_sub_ps(v[2], v[6]), k1_414), tmp13);
    __m128 tmp0 = _mm_add_ps(tmp10, tmp13);
    __m128 tmp3 = _mm_sub_ps(tmp10, tmp13);
    __m128 tmp1 = _mm_add_ps(tmp11, tmp12);
    __m128 tmp2 = _mm_sub_ps(tmp11, tmp12);

    __m128 z13 = _mm_add_ps(v[5], v[3]);
    __m128 z10 = _mm_sub_ps(v[5], v[3]);
    __m128 z11 = _mm_add_ps(v[1], v[7]);
    __m128 z12 = _mm_sub_ps(v[1], v[7]);
    __m128 tmp7 = _mm_add_ps(z11, z13);
    tmp11 = _mm_mul_ps(_mm_sub_ps(z11, z13), k1_414);
    __m128 z5 = _mm_mul_ps(_mm_add_ps(z10, z12), k1_847);
    tmp10 = _mm_sub_ps(_mm_mul_ps(z12, k1_082), z5);
    tmp12 = _mm_sub_ps(z5, _mm_mul_ps(z10, k2_613));
    __m128 tmp6 = _mm_sub_ps(tmp12, tmp7);
    __m128 tmp5 = _mm_sub_ps(tmp11, tmp6);
    __m128 tmp4 = _mm_add_ps(tmp10, tmp5);

    v[0] = _mm_add_ps(tmp0, tmp7);
    v[7] = _mm_sub_ps(tmp0, tmp7);
    v[1] = _mm_add_ps(tmp1, tmp6);
    v[6] = _mm_sub_ps(tmp1, tmp6);
    v[2] = _mm_add_ps(tmp2, tmp5);
    v[5] = _mm_sub_ps(tmp2, tmp5);
    v[4] = _mm_add_ps(tmp3, tmp4);
    v[3] = _mm_sub_ps(tmp3, tmp4);
}

// The same transform when inputs 4..7 are zero (blocks whose coefficients all lie in the
// upper-left 4x4 corner: the first ten in zig-zag order).
inline void Butterflies4(__m128* v) {
    const __m128 k1_414 = _mm_set1_ps(1.414213562f);
    const __m128 k1_847 = _mm_set1_ps(1.847759065f);
    const __m128 k1_082 = _mm_set1_ps(1.082392200f);
    const __m128 k2_613 = _mm_set1_ps(2.613125930f);

    __m128 tmp12 = _mm_sub_ps(_mm_mul_ps(v[2], k1_414), v[2]);
    __m128 tmp0 = _mm_add_ps(v[0], v[2]);
    __m128 tmp3 = _mm_sub_ps(v[0], v[2]);
    __m128 tmp1 = _mm_add_ps(v[0], tmp12);
    __m128 tmp2 = _mm_sub_ps(v[0], tmp12);

    __m128 z13 = v[3];
    __m128 z10 = v[3];  // negated: terms below use -z10
    __m128 z11 = v[1];
    __m128 z12 = v[1];
    __m128 tmp7 = _mm_add_ps(z11, z13);
    __m128 tmp11 = _mm_mul_ps(_mm_sub_ps(z11, z13), k1_414);
    __m128 z5 = _mm_mul_ps(_mm_sub_ps(z12, z10), k1_847);
    __m128 tmp10 = _mm_sub_ps(_mm_mul_ps(z12, k1_082), z5);
    tmp12 = _mm_add_ps(z5, _mm_mul_ps(z10, k2_613));
    __m128 tmp6 = _mm_sub_ps(tmp12, tmp7);
    __m128 tmp5 = _mm_sub_ps(tmp11, tmp6);
    __m128 tmp4 = _mm_add_ps(tmp10, tmp5);

    v[0] = _mm_add_ps(tmp0, tmp7);
    v[7] = _mm_sub_ps(tmp0, tmp7);
    v[1] = _mm_add_ps(tmp1, tmp6);
    v[6] = _mm_sub_ps(tmp1, tmp6);
    v[2] = _mm_add_ps(tmp2, tmp5);
    v[5] = _mm_sub_ps(tmp2, tmp5);
    v[4] = _mm_add_ps(tmp3, tmp4);
    v[3] = _mm_sub_ps(tmp3, tmp4);
}

// Transposes the 8x8 matrix held as lo[r] (columns 0..3) and hi[r] (columns 4..7).
inline void Transpose(__m128* lo, __m128* hi) {
    __m128 a0 = lo[0], a1 = lo[1], a2 = lo[2], a3 = lo[3];
    __m128 b0 = hi[0], b1 = hi[1], b2 = hi[2], b3 = hi[3];
    __m128 c0 = lo[4], c1 = lo[5], c2 = lo[6], c3 = lo[7];
    __m128 d0 = hi[4], d1 = hi[5], d2 = hi[6], d3 = hi[7];
    _MM_TRANSPOSE4_PS(a0, a1, a2, a3);  // rows 0-3, cols 0-3 -> new rows 0-3, cols 0-3
    _MM_TRANSPOSE4_PS(b0, b1, b2, b3);  // rows 0-3, cols 4-7 -> new rows 4-7, cols 0-3
    _MM_TRANSPOSE4_PS(c0, c1, c2, c3);  // rows 4-7, cols 0-3 -> new rows 0-3, cols 4-7
    _MM_TRANSPOSE4_PS(d0, d1, d2, d3);  // rows 4-7, cols 4-7 -> new rows 4-7, cols 4-7
    lo[0] = a0, lo[1] = a1, lo[2] = a2, lo[3] = a3;
    lo[4] = b0, lo[5] = b1, lo[6] = b2, lo[7] = b3;
    hi[0] = c0, hi[1] = c1, hi[2] = c2, hi[3] = c3;
    hi[4] = d0, hi[5] = d1, hi[6] = d2, hi[7] = d3;
}

}  // namespace

void IDCTFloatSSE2(const int16_t* natural, int count, const QuantTable& table, int16_t* out,
                   size_t stride) {
    if (count < 2) {
        IDCTInteger(natural, count, table, out, stride);
        return;
    }
    __m128 lo[8], hi[8];
    if (count <= 10) {
        // Upper-left 4x4 corner only: rows 4-7 and columns 4-7 are zero.
        for (int r = 0; r < 4; ++r) {
            __m128i row = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(natural + r * 8));
            __m128i left = _mm_srai_epi32(_mm_unpacklo_epi16(row, row), 16);
            lo[r] = _mm_mul_ps(_mm_cvtepi32_ps(left), _mm_load_ps(table.floatMultiplier + r * 8));
        }
        Butterflies4(lo);  // columns 0-3; columns 4-7 stay zero
        for (int r = 0; r < 8; ++r) {
            hi[r] = _mm_setzero_ps();
        }
        Transpose(lo, hi);
        Butterflies4(lo);  // rows 0-3, inputs 4-7 (columns 4-7) zero
        Butterflies4(hi);  // rows 4-7
        Transpose(lo, hi);
        for (int r = 0; r < 8; ++r) {
            __m128i a = _mm_cvtps_epi32(lo[r]);
            __m128i b = _mm_cvtps_epi32(hi[r]);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + r * stride), _mm_packs_epi32(a, b));
        }
        return;
    }
    // Dequantise: widen each row of eight int16 to two float vectors and scale.
    for (int r = 0; r < 8; ++r) {
        __m128i row = _mm_loadu_si128(reinterpret_cast<const __m128i*>(natural + r * 8));
        __m128i left = _mm_srai_epi32(_mm_unpacklo_epi16(row, row), 16);
        __m128i right = _mm_srai_epi32(_mm_unpackhi_epi16(row, row), 16);
        lo[r] = _mm_mul_ps(_mm_cvtepi32_ps(left), _mm_load_ps(table.floatMultiplier + r * 8));
        hi[r] = _mm_mul_ps(_mm_cvtepi32_ps(right), _mm_load_ps(table.floatMultiplier + r * 8 + 4));
    }
    Butterflies(lo);  // columns 0-3
    Butterflies(hi);  // columns 4-7
    Transpose(lo, hi);
    Butterflies(lo);  // rows 0-3 (lanes are rows after the transpose)
    Butterflies(hi);  // rows 4-7
    Transpose(lo, hi);
    for (int r = 0; r < 8; ++r) {
        // Round to nearest; packs saturates a hostile block to the int16 range.
        __m128i a = _mm_cvtps_epi32(lo[r]);
        __m128i b = _mm_cvtps_epi32(hi[r]);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + r * stride), _mm_packs_epi32(a, b));
    }
}

#else

void IDCTFloatSSE2(const int16_t* natural, int count, const QuantTable& table, int16_t* out,
                   size_t stride) {
    IDCTInteger(natural, count, table, out, stride);
}

#endif

const IDCTSelection& ActiveIDCT() {
    static const IDCTSelection kSelections[] = {
        {IDCTInteger, false}, {IDCTFloatSSE2, true}, {IDCTFloatAVX, true}};
    return kSelections[static_cast<int>(ActiveCodecSIMD().inverseDCT)];
}

void SelectIDCT(bool useSSE2) {
    CodecSIMD table = ActiveCodecSIMD();
    table.inverseDCT = useSSE2 ? BestCodecSIMD(true).inverseDCT : InverseDCTKind::kInteger;
    OverrideCodecSIMD(table);
}

}  // namespace HXJPEG
