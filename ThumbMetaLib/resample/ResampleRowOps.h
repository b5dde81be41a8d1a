#pragma once

#include <cstdint>

namespace ThumbMetaLib {

// The resampler's inner loops, one table per instruction set. All results are bit-identical
// across tables; the table is chosen once per process (ActiveRowOps). Setting the environment
// variable VANTORY_FORCE_PORTABLE to a non-empty value other than "0" forces the portable one.
struct ResampleRowOps {
    const char* name;
    // dst[x] = clamp((sum over k < taps of weights[k] * rows[k][x] + 8192) >> 14, 0, 255).
    // `taps` is even and at most kMaxTaps.
    void (*convolveColumns)(const uint8_t* const* rows, const int16_t* weights, int taps,
                            uint8_t* dst, int width);
    // dst[i] = clamp((sum over k < taps of w[k] * line[index[i] + k] + 8192) >> 14, 0, 255)
    // with w = weights + phase[i] * weightStride. Rows of `weights` are zero beyond `taps` up to
    // weightStride (a multiple of 8), and `line` stays readable for weightStride bytes past
    // index[i].
    void (*convolveRow)(const uint8_t* line, const int32_t* index, const uint8_t* phase,
                        const int16_t* weights, int weightStride, int taps, uint8_t* dst,
                        int count);
    // sums[x] += src[x] (16-bit sums; callers keep the count of added rows at most 257).
    void (*accumulateRow)(const uint8_t* src, uint16_t* sums, int width);
    // dst[x] = (sums[x] + n / 2) / n for 2 <= n <= 257.
    void (*finishBox)(const uint16_t* sums, int n, uint8_t* dst, int width);
    // sums[j] = src[start[j]] + ... + src[start[j + 1] - 1] for j < boxes; contiguous boxes
    // within a line of `length` samples, read nowhere else.
    void (*sumBoxes)(const uint8_t* src, int length, const int32_t* start, int boxes,
                     uint32_t* sums);
};

inline constexpr int kMaxTaps = 20;
inline constexpr int kMaxBoxRowsFor16Bit = 257;

const ResampleRowOps& PortableRowOps();
// Null when the processor lacks SSE2.
const ResampleRowOps* Sse2RowOps();
// The table in use, chosen on first call.
const ResampleRowOps& ActiveRowOps();

}  // namespace ThumbMetaLib
