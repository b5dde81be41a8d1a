#pragma once

#include <cstdint>
#include <vector>

// Per-axis sampling tables of the resize kernels, built once per call by portable code and read by
// every processor level, so all levels compute the same integer sums.
namespace resize {

// Fixed-point weights: 14 fractional bits, every output's weights sum to exactly this.
inline constexpr int32_t kWeightOne = 16384;

struct FilterAxis {
    int32_t taps = 0;              // weights per output, zero-padded to the requested multiple
    std::vector<int32_t> first;    // first source sample of each output
    std::vector<int16_t> weights;  // `taps` weights per output
};

struct NearestAxis {
    std::vector<int32_t> index;  // source sample of each output

    // Byte-shuffle plan for gathering one row of `bytesPerPixel`-byte pixels 16 output bytes at a
    // time: group g copies from the 32 source bytes at groupBase[g] through the two 16-byte masks
    // at masks[32 g] (0x80 = take nothing). groupBase[g] < 0 marks a group gathered byte by byte.
    // Empty when too few groups fit a window (strong reductions): gather pixel by pixel then.
    std::vector<int32_t> groupBase;
    std::vector<uint8_t> masks;
    std::vector<int32_t> byteIndex;  // source byte of every output byte, for the other groups
    int64_t readableBytes = 0;
};

// Outputs sit at source position (i + 0.5) / factor - 0.5. Linear and cubic kernels widen by
// 1 / factor when reducing; supersampling weights each source sample by the area it shares with
// the output. Samples outside 0 .. srcLength - 1 are left out and the rest renormalised.
// May throw std::bad_alloc.
FilterAxis BuildFilterAxis(int32_t srcLength, int32_t dstLength, double factor,
                           int32_t interpolation, int32_t padTapsTo);

NearestAxis BuildNearestAxis(int32_t srcLength, int32_t dstLength, double factor);

// Adds the shuffle plan for rows whose first `readableBytes` bytes may be read. Leaves it empty
// when fewer than half of the groups could use it.
void AddGatherPlan(NearestAxis& axis, int32_t bytesPerPixel, int64_t readableBytes);

}  // namespace resize
