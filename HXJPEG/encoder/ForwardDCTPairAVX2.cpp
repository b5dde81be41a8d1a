// The forward DCT, quantisation and zig-zag reordering of two horizontally adjacent blocks at
// once: each 256-bit register holds the same row of both blocks, one per 128-bit half, and
// every step below (butterflies, the in-half unpacks of the transpose, byte shuffles) works on
// the halves independently, exactly as ForwardDCTQuantiseSSSE3 does on one block.
#include "HXJPEG/encoder/BlockCoding.h"
#include "HXJPEG/encoder/ForwardDCT.h"
#include "HXJPEG/encoder/ForwardDCTPrecision.h"
#include "HXJPEG/encoder/ZigZagShuffles.h"

#if defined(__SSE2__)
#include <immintrin.h>

namespace HXJPEG {
namespace {

#define HXJPEG_AVX2 __attribute__((target("avx2"), always_inline)) inline

// (x * k + 127) >> 8 in 32 bits: each lane paired with 1 meets the pair (k, 127) in a
// multiply-add; the results fit 16 bits again (see ForwardDCTLanes.h).
HXJPEG_AVX2 __m256i Multiply(__m256i x, int16_t k) {
    const __m256i factors = _mm256_set1_epi32((127 << 16) | k);
    const __m256i ones = _mm256_set1_epi16(1);
    const __m256i low = _mm256_madd_epi16(_mm256_unpacklo_epi16(x, ones), factors);
    const __m256i high = _mm256_madd_epi16(_mm256_unpackhi_epi16(x, ones), factors);
    return _mm256_packs_epi32(_mm256_srai_epi32(low, 8), _mm256_srai_epi32(high, 8));
}

HXJPEG_AVX2 void Transform(__m256i* d) {
    const __m256i tmp0 = _mm256_add_epi16(d[0], d[7]);
    const __m256i tmp7 = _mm256_sub_epi16(d[0], d[7]);
    const __m256i tmp1 = _mm256_add_epi16(d[1], d[6]);
    const __m256i tmp6 = _mm256_sub_epi16(d[1], d[6]);
    const __m256i tmp2 = _mm256_add_epi16(d[2], d[5]);
    const __m256i tmp5 = _mm256_sub_epi16(d[2], d[5]);
    const __m256i tmp3 = _mm256_add_epi16(d[3], d[4]);
    const __m256i tmp4 = _mm256_sub_epi16(d[3], d[4]);

    const __m256i tmp10 = _mm256_add_epi16(tmp0, tmp3);
    const __m256i tmp13 = _mm256_sub_epi16(tmp0, tmp3);
    const __m256i tmp11 = _mm256_add_epi16(tmp1, tmp2);
    const __m256i tmp12 = _mm256_sub_epi16(tmp1, tmp2);
    d[0] = _mm256_add_epi16(tmp10, tmp11);
    d[4] = _mm256_sub_epi16(tmp10, tmp11);
    const __m256i z1 = Multiply(_mm256_add_epi16(tmp12, tmp13), 181);
    d[2] = _mm256_add_epi16(tmp13, z1);
    d[6] = _mm256_sub_epi16(tmp13, z1);

    const __m256i odd10 = _mm256_add_epi16(tmp4, tmp5);
    const __m256i odd11 = _mm256_add_epi16(tmp5, tmp6);
    const __m256i odd12 = _mm256_add_epi16(tmp6, tmp7);
    const __m256i z5 = Multiply(_mm256_sub_epi16(odd10, odd12), 98);
    const __m256i z2 = _mm256_add_epi16(Multiply(odd10, 139), z5);
    const __m256i z4 = _mm256_add_epi16(Multiply(odd12, 334), z5);
    const __m256i z3 = Multiply(odd11, 181);
    const __m256i z11 = _mm256_add_epi16(tmp7, z3);
    const __m256i z13 = _mm256_sub_epi16(tmp7, z3);
    d[5] = _mm256_add_epi16(z13, z2);
    d[3] = _mm256_sub_epi16(z13, z2);
    d[1] = _mm256_add_epi16(z11, z4);
    d[7] = _mm256_sub_epi16(z11, z4);
}

HXJPEG_AVX2 void Transpose(__m256i* r) {
    const __m256i a0 = _mm256_unpacklo_epi16(r[0], r[1]);
    const __m256i a1 = _mm256_unpackhi_epi16(r[0], r[1]);
    const __m256i a2 = _mm256_unpacklo_epi16(r[2], r[3]);
    const __m256i a3 = _mm256_unpackhi_epi16(r[2], r[3]);
    const __m256i a4 = _mm256_unpacklo_epi16(r[4], r[5]);
    const __m256i a5 = _mm256_unpackhi_epi16(r[4], r[5]);
    const __m256i a6 = _mm256_unpacklo_epi16(r[6], r[7]);
    const __m256i a7 = _mm256_unpackhi_epi16(r[6], r[7]);
    const __m256i b0 = _mm256_unpacklo_epi32(a0, a2);
    const __m256i b1 = _mm256_unpackhi_epi32(a0, a2);
    const __m256i b2 = _mm256_unpacklo_epi32(a1, a3);
    const __m256i b3 = _mm256_unpackhi_epi32(a1, a3);
    const __m256i b4 = _mm256_unpacklo_epi32(a4, a6);
    const __m256i b5 = _mm256_unpackhi_epi32(a4, a6);
    const __m256i b6 = _mm256_unpacklo_epi32(a5, a7);
    const __m256i b7 = _mm256_unpackhi_epi32(a5, a7);
    r[0] = _mm256_unpacklo_epi64(b0, b4);
    r[1] = _mm256_unpackhi_epi64(b0, b4);
    r[2] = _mm256_unpacklo_epi64(b1, b5);
    r[3] = _mm256_unpackhi_epi64(b1, b5);
    r[4] = _mm256_unpacklo_epi64(b2, b6);
    r[5] = _mm256_unpackhi_epi64(b2, b6);
    r[6] = _mm256_unpacklo_epi64(b3, b7);
    r[7] = _mm256_unpackhi_epi64(b3, b7);
}

// The same constant for the lanes of both halves (lane r: row r of the coefficients).
HXJPEG_AVX2 __m256i LoadLanes(const fdct::LaneConstants& constants) {
    return _mm256_broadcastsi128_si256(
        _mm_load_si128(reinterpret_cast<const __m128i*>(constants.v)));
}

// See QuantiseLanesSSSE3.
HXJPEG_AVX2 __m256i Quantise(__m256i c, __m256i reciprocal, __m256i rounding, __m256i zeroBelow) {
    const __m256i magnitude = _mm256_abs_epi16(c);
    const __m256i kept =
        _mm256_cmpeq_epi16(_mm256_subs_epu16(zeroBelow, magnitude), _mm256_setzero_si256());
    const __m256i steps = _mm256_and_si256(
        _mm256_mulhrs_epi16(_mm256_mulhi_epu16(magnitude, reciprocal), rounding), kept);
    const __m256i value = _mm256_sign_epi16(steps, c);
    return _mm256_max_epi16(_mm256_min_epi16(value, _mm256_set1_epi16(1023)),
                            _mm256_set1_epi16(-1023));
}

#undef HXJPEG_AVX2

// The zig-zag shuffle masks repeated for both halves, ready for one 256-bit load each.
constexpr auto kWideMasks = [] {
    struct Table {
        alignas(32) uint8_t v[kZigZagShuffleCount][32];
    } table{};
    for (uint32_t i = 0; i < kZigZagShuffleCount; ++i) {
        for (uint32_t b = 0; b < 32; ++b) {
            table.v[i][b] = kZigZagShuffles.v[i].mask[b % 16];
        }
    }
    return table;
}();

}  // namespace

__attribute__((target("avx2"))) void ForwardDCTQuantisePairAVX2(
    const int16_t* samples, uint32_t stride, const EncoderQuantTable& table, int16_t* zigzagFirst,
    int16_t* zigzagSecond, uint64_t nonZero[2]) {
    if (!table.reciprocalsFit16) {
        ForwardDCTQuantiseAVX2(samples, stride, table, zigzagFirst);
        ForwardDCTQuantiseAVX2(samples + 8, stride, table, zigzagSecond);
        nonZero[0] = NonZeroMask(reinterpret_cast<const uint16_t*>(zigzagFirst));
        nonZero[1] = NonZeroMask(reinterpret_cast<const uint16_t*>(zigzagSecond));
        return;
    }
    __m256i rows[8];
    for (int r = 0; r < 8; ++r) {
        rows[r] = _mm256_slli_epi16(
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(samples + r * stride)),
            fdct::kInputFractionBits);
    }
    Transform(rows);  // columns
    Transpose(rows);
    const __m256i passRounding = LoadLanes(fdct::kRowPassRounding);
    for (int r = 0; r < 8; ++r) {
        rows[r] = _mm256_mulhrs_epi16(rows[r], passRounding);  // see fdct::RescaleForRowPass
    }
    Transform(rows);  // rows, left transposed in each half
    const int16_t dcFirst =
        QuantiseDC(static_cast<int16_t>(_mm256_extract_epi16(rows[0], 0)), table);
    const int16_t dcSecond =
        QuantiseDC(static_cast<int16_t>(_mm256_extract_epi16(rows[0], 8)), table);
    const __m256i quantiseRounding = LoadLanes(fdct::kQuantiseRounding);
    __m256i quantised[8];
    for (int r = 0; r < 8; ++r) {
        const __m256i reciprocal = _mm256_broadcastsi128_si256(_mm_load_si128(
            reinterpret_cast<const __m128i*>(table.transposedReciprocals16 + r * 8)));
        const __m256i zeroBelow = _mm256_broadcastsi128_si256(
            _mm_load_si128(reinterpret_cast<const __m128i*>(table.transposedZeroBelow + r * 8)));
        quantised[r] = Quantise(rows[r], reciprocal, quantiseRounding, zeroBelow);
    }
    __m256i groups[8];
    for (__m256i& group : groups) {
        group = _mm256_setzero_si256();
    }
#pragma GCC unroll 40
    for (uint32_t i = 0; i < kZigZagShuffleCount; ++i) {
        const ZigZagShuffle& shuffle = kZigZagShuffles.v[i];
        const __m256i mask = _mm256_load_si256(reinterpret_cast<const __m256i*>(kWideMasks.v[i]));
        groups[shuffle.group] = _mm256_or_si256(
            groups[shuffle.group], _mm256_shuffle_epi8(quantised[shuffle.source], mask));
    }
    // The DC terms are not limited: their differences have their own 11-bit categories.
    groups[0] = _mm256_insert_epi16(_mm256_insert_epi16(groups[0], dcFirst, 0), dcSecond, 8);
    // Zero bitmaps: a pack of two groups keeps each half's sixteen flags together, so one
    // byte mask holds coefficients 16 p .. 16 p + 15 of the first block in its low half and of
    // the second in its high half.
    uint64_t zeroFirst = 0;
    uint64_t zeroSecond = 0;
    for (int p = 0; p < 4; ++p) {
        const __m256i zero = _mm256_setzero_si256();
        const uint32_t flags = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_packs_epi16(
            _mm256_cmpeq_epi16(groups[2 * p], zero), _mm256_cmpeq_epi16(groups[2 * p + 1], zero))));
        zeroFirst |= uint64_t{flags & 0xFFFF} << (16 * p);
        zeroSecond |= uint64_t{flags >> 16} << (16 * p);
    }
    nonZero[0] = ~zeroFirst;
    nonZero[1] = ~zeroSecond;
    for (int g = 0; g < 8; ++g) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(zigzagFirst + g * 8),
                         _mm256_castsi256_si128(groups[g]));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(zigzagSecond + g * 8),
                         _mm256_extracti128_si256(groups[g], 1));
    }
}

}  // namespace HXJPEG

#endif
