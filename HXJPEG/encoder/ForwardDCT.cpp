#include "HXJPEG/encoder/ForwardDCT.h"

#include "HXJPEG/common/ZigZag.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace HXJPEG {
namespace {

// 0.707106781, 0.382683433, 0.541196100 and 1.306562965 with 8 fractional bits.
constexpr int32_t kC181 = 181;
constexpr int32_t kC98 = 98;
constexpr int32_t kC139 = 139;
constexpr int32_t kC334 = 334;

#if !defined(__SSE2__)
inline int32_t Multiply(int32_t x, int32_t k) {
    return (x * k + 127) >> 8;
}

// One-dimensional AAN transform of the eight columns of `block` at once (each column runs
// down the first index), so that the loop body vectorises across columns.
inline void TransformColumns(int32_t* block) {
    for (int c = 0; c < 8; ++c) {
        const int32_t tmp0 = block[0 * 8 + c] + block[7 * 8 + c];
        const int32_t tmp7 = block[0 * 8 + c] - block[7 * 8 + c];
        const int32_t tmp1 = block[1 * 8 + c] + block[6 * 8 + c];
        const int32_t tmp6 = block[1 * 8 + c] - block[6 * 8 + c];
        const int32_t tmp2 = block[2 * 8 + c] + block[5 * 8 + c];
        const int32_t tmp5 = block[2 * 8 + c] - block[5 * 8 + c];
        const int32_t tmp3 = block[3 * 8 + c] + block[4 * 8 + c];
        const int32_t tmp4 = block[3 * 8 + c] - block[4 * 8 + c];

        // Even part.
        const int32_t tmp10 = tmp0 + tmp3;
        const int32_t tmp13 = tmp0 - tmp3;
        const int32_t tmp11 = tmp1 + tmp2;
        const int32_t tmp12 = tmp1 - tmp2;
        block[0 * 8 + c] = tmp10 + tmp11;
        block[4 * 8 + c] = tmp10 - tmp11;
        const int32_t z1 = Multiply(tmp12 + tmp13, kC181);
        block[2 * 8 + c] = tmp13 + z1;
        block[6 * 8 + c] = tmp13 - z1;

        // Odd part.
        const int32_t odd10 = tmp4 + tmp5;
        const int32_t odd11 = tmp5 + tmp6;
        const int32_t odd12 = tmp6 + tmp7;
        const int32_t z5 = Multiply(odd10 - odd12, kC98);
        const int32_t z2 = Multiply(odd10, kC139) + z5;
        const int32_t z4 = Multiply(odd12, kC334) + z5;
        const int32_t z3 = Multiply(odd11, kC181);
        const int32_t z11 = tmp7 + z3;
        const int32_t z13 = tmp7 - z3;
        block[5 * 8 + c] = z13 + z2;
        block[3 * 8 + c] = z13 - z2;
        block[1 * 8 + c] = z11 + z4;
        block[7 * 8 + c] = z11 - z4;
    }
}

#endif

// Zig-zag index -> position in the transposed layout.
constexpr auto kZigZagToTransposed = [] {
    struct Table {
        uint8_t v[64];
    } table{};
    for (int k = 0; k < 64; ++k) {
        const int natural = kZigZagToNatural[k];
        table.v[k] = static_cast<uint8_t>((natural % 8) * 8 + natural / 8);
    }
    return table;
}();

#if defined(__SSE2__)

// The same transform on eight 16-bit lanes. With 8-bit samples every intermediate value fits
// 16 bits (pass outputs stay below 8 * 128 * 1.4 and 64 * 128 * 1.4); the rounded products
// (x * k + 127) >> 8 are formed exactly from the 32-bit product's halves.
inline __m128i MultiplyLanes(__m128i x, __m128i k) {
    const __m128i low = _mm_mullo_epi16(x, k);
    const __m128i high = _mm_mulhi_epi16(x, k);
    const __m128i carry = _mm_srli_epi16(
        _mm_add_epi16(_mm_and_si128(low, _mm_set1_epi16(0xFF)), _mm_set1_epi16(127)), 8);
    return _mm_add_epi16(_mm_slli_epi16(high, 8), _mm_add_epi16(_mm_srli_epi16(low, 8), carry));
}

inline void TransformLanes(__m128i* d) {
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

inline void Transpose(__m128i* r) {
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

// (reciprocal * c + 32767) >> 16 on eight lanes, for reciprocals below 65536: on the magnitude,
// with the rounding carry that the sign calls for, then the sign restored.
inline __m128i QuantiseLanes(__m128i c, __m128i reciprocal) {
    const __m128i sign = _mm_srai_epi16(c, 15);
    const __m128i magnitude = _mm_sub_epi16(_mm_xor_si128(c, sign), sign);
    const __m128i low = _mm_mullo_epi16(magnitude, reciprocal);
    const __m128i high = _mm_mulhi_epu16(magnitude, reciprocal);
    // Positive: + 32767 carries when low >= 32769; negative: + 32768 carries when low >= 32768.
    const __m128i carryPositive = _mm_sub_epi16(
        _mm_setzero_si128(),
        _mm_cmpgt_epi16(_mm_xor_si128(low, _mm_set1_epi16(-32768)), _mm_setzero_si128()));
    const __m128i carryNegative = _mm_srli_epi16(low, 15);
    const __m128i carry =
        _mm_or_si128(_mm_and_si128(sign, carryNegative), _mm_andnot_si128(sign, carryPositive));
    const __m128i quotient = _mm_add_epi16(high, carry);
    const __m128i value = _mm_sub_epi16(_mm_xor_si128(quotient, sign), sign);
    return _mm_max_epi16(_mm_min_epi16(value, _mm_set1_epi16(1023)), _mm_set1_epi16(-1023));
}

#endif

}  // namespace

#if defined(__x86_64__)
__attribute__((target_clones("avx2", "default")))
#endif
void ForwardDCTQuantise(const int16_t* samples, uint32_t stride, const EncoderQuantTable& table,
                        int16_t* zigzagOut) {
    const int32_t* transposedReciprocals = table.transposedReciprocals;
    alignas(16) int16_t transformed[64];
    alignas(16) int16_t quantised[64];
#if defined(__SSE2__)
    __m128i rows[8];
    for (int r = 0; r < 8; ++r) {
        rows[r] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(samples + r * stride));
    }
    TransformLanes(rows);  // columns
    Transpose(rows);
    TransformLanes(rows);  // rows, left in the transposed layout
    for (int r = 0; r < 8; ++r) {
        _mm_store_si128(reinterpret_cast<__m128i*>(transformed + r * 8), rows[r]);
    }
    if (table.reciprocalsFit16) {
        for (int r = 0; r < 8; ++r) {
            const __m128i reciprocal = _mm_load_si128(
                reinterpret_cast<const __m128i*>(table.transposedReciprocals16 + r * 8));
            _mm_store_si128(reinterpret_cast<__m128i*>(quantised + r * 8),
                            QuantiseLanes(rows[r], reciprocal));
        }
        // The DC term is not limited: its difference has its own 11-bit categories.
        quantised[0] =
            static_cast<int16_t>((transposedReciprocals[0] * transformed[0] + 32767) >> 16);
#pragma GCC unroll 64
        for (int k = 0; k < 64; ++k) {
            zigzagOut[k] = quantised[kZigZagToTransposed.v[k]];
        }
        return;
    }
#else
    int32_t block[64];
    for (int r = 0; r < 8; ++r) {
        for (int c = 0; c < 8; ++c) {
            block[r * 8 + c] = samples[r * stride + c];
        }
    }
    TransformColumns(block);
    int32_t transposed[64];
    for (int r = 0; r < 8; ++r) {
        for (int c = 0; c < 8; ++c) {
            transposed[c * 8 + r] = block[r * 8 + c];
        }
    }
    // Rows of the column-transformed block, now running down the first index.
    TransformColumns(transposed);
    for (int i = 0; i < 64; ++i) {
        transformed[i] = static_cast<int16_t>(transposed[i]);
    }
#endif
    for (int i = 0; i < 64; ++i) {
        int32_t value = (transposedReciprocals[i] * transformed[i] + 32767) >> 16;
        value = value > 1023 ? 1023 : value;
        value = value < -1023 ? -1023 : value;
        quantised[i] = static_cast<int16_t>(value);
    }
    // The DC term is not limited: its difference has its own 11-bit categories.
    quantised[0] = static_cast<int16_t>((transposedReciprocals[0] * transformed[0] + 32767) >> 16);
    for (int k = 0; k < 64; ++k) {
        zigzagOut[k] = static_cast<int16_t>(quantised[kZigZagToTransposed.v[k]]);
    }
}

}  // namespace HXJPEG
