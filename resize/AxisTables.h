#pragma once

#include <cstddef>
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

    // Byte-shuffle plan for gathering one row 16 output bytes at a time: group g copies from the
    // 16 * chunks source bytes at groupBase[g] through the `chunks` 16-byte masks at
    // masks[16 * chunks * g] (mask c picks from the c-th 16 bytes; 0x80 = take nothing).
    // groupBase[g] < 0 marks a group copied byte by byte. chunks is 0 (no plan) when a group would
    // need more loads than kMaxGatherChunks (strong reductions), or when fewer than half of the
    // groups fit: gather pixel by pixel then.
    int32_t chunks = 0;
    std::vector<int32_t> groupBase;
    std::vector<uint8_t> masks;
    int64_t readableBytes = 0;
};

inline constexpr int32_t kMaxGatherChunks = 4;

// Outputs sit at source position (i + 0.5) / factor - 0.5. Linear and cubic kernels widen by
// 1 / factor when reducing; supersampling weights each source sample by the area it shares with
// the output. Samples outside 0 .. srcLength - 1 are left out and the rest renormalised.
// May throw std::bad_alloc.
FilterAxis BuildFilterAxis(int32_t srcLength, int32_t dstLength, double factor,
                           int32_t interpolation, int32_t padTapsTo);

NearestAxis BuildNearestAxis(int32_t srcLength, int32_t dstLength, double factor);

// Copies output bytes [from, to) of one row one by one: output byte b is byte b % bytesPerPixel
// of source pixel index[b / bytesPerPixel].
inline void CopyNearestBytes(const uint8_t* in, uint8_t* out, const NearestAxis& axis,
                             int32_t bytesPerPixel, size_t from, size_t to) {
    const auto bpp = static_cast<size_t>(bytesPerPixel);
    size_t pixel = from / bpp;
    size_t channel = from % bpp;
    for (size_t b = from; b < to; ++b) {
        out[b] = in[static_cast<size_t>(axis.index[pixel]) * bpp + channel];
        if (++channel == bpp) {
            channel = 0;
            ++pixel;
        }
    }
}

// Adds the shuffle plan for rows whose first `readableBytes` bytes may be read (see NearestAxis).
void AddGatherPlan(NearestAxis& axis, int32_t bytesPerPixel, int64_t readableBytes);

}  // namespace resize
