#pragma once

#include <cstddef>
#include <cstdint>

#include "HXJPEG/decoder/QuantTable.h"

namespace HXJPEG {

// Inverse DCT of one block. Input: quantised coefficients in natural (row-major) order; `count`
// is one more than the zig-zag index of the last one that may be non-zero. Output: 8 rows of 8
// signed samples with three fractional bits (eight times the sample, level shift not added),
// `stride` int16 apart.
using IDCTFunction = void (*)(const int16_t* natural, int count, const QuantTable& table,
                              int16_t* out, size_t stride);

// The transform the codec's dispatch table (CodecSIMD.h) names: single precision when the
// processor has SSE2 (eight lanes with AVX, bit-identical), the integer form otherwise or when
// VANTORY_FORCE_PORTABLE is set.
struct IDCTSelection {
    IDCTFunction transform;
    bool usesSSE2;
};
const IDCTSelection& ActiveIDCT();
// For tests: the best vector form, or the integer form.
void SelectIDCT(bool useSSE2);

void IDCTInteger(const int16_t* natural, int count, const QuantTable& table, int16_t* out,
                 size_t stride);
void IDCTFloatSSE2(const int16_t* natural, int count, const QuantTable& table, int16_t* out,
                   size_t stride);
// Callable only when the processor has AVX.
void IDCTFloatAVX(const int16_t* natural, int count, const QuantTable& table, int16_t* out,
                  size_t stride);

// The DC-only value every sample of a block takes (also the reduced decode's one sample).
inline int16_t DCOnlySample(int16_t dc, const QuantTable& table) {
    int64_t v = (int64_t(dc) * table.intMultiplier[0] + 32767) >> 16;
    return int16_t(v < -32768 ? -32768 : (v > 32767 ? 32767 : v));
}

}  // namespace HXJPEG
