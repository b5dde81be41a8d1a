#include "HXJPEG/encoder/ForwardDCT.h"

#include <algorithm>

#include "HXJPEG/encoder/BlockCoding.h"
#include "HXJPEG/encoder/EncoderSIMD.h"
#include "HXJPEG/encoder/ForwardDCTLanes.h"
#include "HXJPEG/encoder/ForwardDCTPrecision.h"

namespace HXJPEG {
namespace {

constexpr int32_t kC181 = 181;
constexpr int32_t kC98 = 98;
constexpr int32_t kC139 = 139;
constexpr int32_t kC334 = 334;

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

}  // namespace

int16_t QuantiseDC(int16_t transformedDC, const EncoderQuantTable& table) {
    return static_cast<int16_t>(
        fdct::QuantiseValue(transformedDC, table.transposedReciprocals[0], 0, 0));
}

void QuantiseTransposed(const int16_t* transformed, const EncoderQuantTable& table,
                        int16_t* zigzagOut) {
    const int32_t* reciprocals = table.transposedReciprocals;
    int16_t quantised[64];
    for (int i = 0; i < 64; ++i) {
        // Position i of the transposed layout holds row i % 8 of the coefficients.
        const int32_t value = fdct::QuantiseValue(transformed[i], reciprocals[i], i % 8,
                                                  table.transposedZeroBelow[i]);
        quantised[i] = static_cast<int16_t>(std::clamp(value, -1023, 1023));
    }
    quantised[0] = QuantiseDC(transformed[0], table);
    for (int k = 0; k < 64; ++k) {
        zigzagOut[k] = quantised[kZigZagToTransposed.v[k]];
    }
}

void ForwardDCTQuantisePortable(const int16_t* samples, uint32_t stride,
                                const EncoderQuantTable& table, int16_t* zigzagOut) {
    int32_t block[64];
    for (int r = 0; r < 8; ++r) {
        for (int c = 0; c < 8; ++c) {
            block[r * 8 + c] = samples[r * stride + c] * (1 << fdct::kInputFractionBits);
        }
    }
    TransformColumns(block);
    int32_t transposed[64];
    for (int r = 0; r < 8; ++r) {
        for (int c = 0; c < 8; ++c) {
            transposed[c * 8 + r] = fdct::RescaleForRowPass(block[r * 8 + c], r);
        }
    }
    // Rows of the column-transformed block, now running down the first index.
    TransformColumns(transposed);
    int16_t transformed[64];
    for (int i = 0; i < 64; ++i) {
        transformed[i] = static_cast<int16_t>(transposed[i]);
    }
    QuantiseTransposed(transformed, table, zigzagOut);
}

#if defined(__SSE2__)

void ForwardDCTQuantiseSSE2(const int16_t* samples, uint32_t stride, const EncoderQuantTable& table,
                            int16_t* zigzagOut) {
    __m128i rows[8];
    fdct::TransformBlock(samples, stride, rows);
    alignas(16) int16_t transformed[64];
    for (int r = 0; r < 8; ++r) {
        _mm_store_si128(reinterpret_cast<__m128i*>(transformed + r * 8), rows[r]);
    }
    if (!table.reciprocalsFit16) {
        QuantiseTransposed(transformed, table, zigzagOut);
        return;
    }
    alignas(16) int16_t quantised[64];
    for (int r = 0; r < 8; ++r) {
        const __m128i reciprocal =
            _mm_load_si128(reinterpret_cast<const __m128i*>(table.transposedReciprocals16 + r * 8));
        _mm_store_si128(reinterpret_cast<__m128i*>(quantised + r * 8),
                        fdct::QuantiseLanes(rows[r], reciprocal, fdct::LoadZeroBelow(table, r)));
    }
    quantised[0] = QuantiseDC(transformed[0], table);
    for (int k = 0; k < 64; ++k) {
        zigzagOut[k] = quantised[kZigZagToTransposed.v[k]];
    }
}

#else

void ForwardDCTQuantiseSSE2(const int16_t* samples, uint32_t stride, const EncoderQuantTable& table,
                            int16_t* zigzagOut) {
    ForwardDCTQuantisePortable(samples, stride, table, zigzagOut);
}
void ForwardDCTQuantiseSSSE3(const int16_t* samples, uint32_t stride,
                             const EncoderQuantTable& table, int16_t* zigzagOut) {
    ForwardDCTQuantisePortable(samples, stride, table, zigzagOut);
}
void ForwardDCTQuantiseAVX2(const int16_t* samples, uint32_t stride, const EncoderQuantTable& table,
                            int16_t* zigzagOut) {
    ForwardDCTQuantisePortable(samples, stride, table, zigzagOut);
}
void ForwardDCTQuantisePairAVX2(const int16_t* samples, uint32_t stride,
                                const EncoderQuantTable& table, int16_t* zigzagFirst,
                                int16_t* zigzagSecond, uint64_t nonZero[2]) {
    ForwardDCTQuantisePortable(samples, stride, table, zigzagFirst);
    ForwardDCTQuantisePortable(samples + 8, stride, table, zigzagSecond);
    nonZero[0] = NonZeroMask(reinterpret_cast<const uint16_t*>(zigzagFirst));
    nonZero[1] = NonZeroMask(reinterpret_cast<const uint16_t*>(zigzagSecond));
}

#endif

void ForwardDCTQuantise(const int16_t* samples, uint32_t stride, const EncoderQuantTable& table,
                        int16_t* zigzagOut) {
    switch (ActiveEncoderSIMDLevel()) {
        case EncoderSIMDLevel::kAVX2:
            ForwardDCTQuantiseAVX2(samples, stride, table, zigzagOut);
            return;
        case EncoderSIMDLevel::kSSSE3:
            ForwardDCTQuantiseSSSE3(samples, stride, table, zigzagOut);
            return;
        case EncoderSIMDLevel::kSSE2:
            ForwardDCTQuantiseSSE2(samples, stride, table, zigzagOut);
            return;
        case EncoderSIMDLevel::kPortable:
            break;
    }
    ForwardDCTQuantisePortable(samples, stride, table, zigzagOut);
}

namespace {

// Below AVX2 a pair is two single blocks.
void ForwardDCTQuantiseTwo(const int16_t* samples, uint32_t stride, const EncoderQuantTable& table,
                           int16_t* zigzagFirst, int16_t* zigzagSecond, uint64_t nonZero[2]) {
    ForwardDCTQuantise(samples, stride, table, zigzagFirst);
    ForwardDCTQuantise(samples + 8, stride, table, zigzagSecond);
    nonZero[0] = NonZeroMask(reinterpret_cast<const uint16_t*>(zigzagFirst));
    nonZero[1] = NonZeroMask(reinterpret_cast<const uint16_t*>(zigzagSecond));
}

}  // namespace

ForwardDCTPairFunction ActiveForwardDCTPair() {
    return ActiveEncoderSIMDLevel() == EncoderSIMDLevel::kAVX2 ? &ForwardDCTQuantisePairAVX2
                                                               : &ForwardDCTQuantiseTwo;
}

void ForwardDCTQuantisePair(const int16_t* samples, uint32_t stride, const EncoderQuantTable& table,
                            int16_t* zigzagFirst, int16_t* zigzagSecond, uint64_t nonZero[2]) {
    ActiveForwardDCTPair()(samples, stride, table, zigzagFirst, zigzagSecond, nonZero);
}

}  // namespace HXJPEG
