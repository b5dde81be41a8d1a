#pragma once

#include <cstddef>
#include <cstdint>

#include "resize/AxisTables.h"
#include "resize/ProcessorLevel.h"

// The inner loops of the resize kernels, one table per processor level. Every level computes the
// same integer sums with the same rounding, so all levels give identical bytes.
namespace resize {

inline constexpr int32_t kNearestRowBatch = 4;

struct RowKernels {
    // out[x] = clamp((sum over k of rows[k][x] * weights[k] + 8192) >> 14) for x < bytes.
    void (*vertical)(const uint8_t* const* rows, const int16_t* weights, int32_t taps, uint8_t* out,
                     int32_t bytes);
    // One row through a filter axis, pixels of 1, 3 or 4 bytes. `in` may be read up to
    // (first + taps) pixels plus 16 bytes for every output.
    void (*horizontal1)(const uint8_t* in, const FilterAxis& axis, uint8_t* out, int32_t count);
    void (*horizontal3)(const uint8_t* in, const FilterAxis& axis, uint8_t* out, int32_t count);
    void (*horizontal4)(const uint8_t* in, const FilterAxis& axis, uint8_t* out, int32_t count);
    // Up to kNearestRowBatch rows through one nearest axis: out[r] pixel i = in[r] pixel
    // index[i]. Rows of a batch share the axis, so vector levels load each plan entry once.
    void (*nearest)(const uint8_t* const* in, uint8_t* const* out, int32_t rows,
                    const NearestAxis& axis, int32_t bytesPerPixel, int32_t count);

    int32_t verticalTapMultiple;  // filter axes must pad their taps to these multiples
    int32_t horizontal1TapMultiple;
    int32_t horizontalNTapMultiple;
    bool nearestNeedsGatherPlan;  // nearest reads NearestAxis::groupBase / masks
};

const RowKernels& PortableRowKernels();
const RowKernels& Sse2RowKernels();
const RowKernels& Ssse3RowKernels();

// The table of the given level.
const RowKernels& RowKernelsFor(ProcessorLevel level);

// Rounds a 14-bit fixed-point sum to a byte.
inline uint8_t RoundToByte(int32_t sum) {
    const int32_t v = (sum + 8192) >> 14;
    return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

}  // namespace resize
