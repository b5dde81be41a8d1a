#include <algorithm>

#include "ThumbMetaLib/resample/BoxDivider.h"
#include "ThumbMetaLib/resample/ResampleRowOps.h"

namespace ThumbMetaLib {
namespace {

inline uint8_t Clamp14(int32_t acc) {
    return static_cast<uint8_t>(std::clamp((acc + 8192) >> 14, 0, 255));
}

void ConvolveColumns(const uint8_t* const* rows, const int16_t* weights, int taps, uint8_t* dst,
                     int width) {
    for (int x = 0; x < width; ++x) {
        int32_t acc = 0;
        for (int k = 0; k < taps; ++k) {
            acc += int32_t{weights[k]} * rows[k][x];
        }
        dst[x] = Clamp14(acc);
    }
}

void ConvolveRow(const uint8_t* line, const int32_t* index, const uint8_t* phase,
                 const int16_t* weights, int weightStride, int taps, uint8_t* dst, int count) {
    for (int i = 0; i < count; ++i) {
        const uint8_t* in = line + index[i];
        const int16_t* w = weights + size_t{phase[i]} * weightStride;
        int32_t acc = 0;
        for (int k = 0; k < taps; ++k) {
            acc += int32_t{w[k]} * in[k];
        }
        dst[i] = Clamp14(acc);
    }
}

void AccumulateRow(const uint8_t* src, uint16_t* sums, int width) {
    for (int x = 0; x < width; ++x) {
        sums[x] = static_cast<uint16_t>(sums[x] + src[x]);
    }
}

void FinishBox(const uint16_t* sums, int n, uint8_t* dst, int width) {
    const BoxDivider divide(static_cast<uint32_t>(n));
    for (int x = 0; x < width; ++x) {
        dst[x] = static_cast<uint8_t>(divide(sums[x]));
    }
}

void SumBoxes(const uint8_t* src, int /*length*/, const int32_t* start, int boxes, uint32_t* sums) {
    for (int j = 0; j < boxes; ++j) {
        uint32_t sum = 0;
        for (int32_t k = start[j]; k < start[j + 1]; ++k) {
            sum += src[k];
        }
        sums[j] = sum;
    }
}

}  // namespace

const ResampleRowOps& PortableRowOps() {
    static const ResampleRowOps ops{"portable",    ConvolveColumns, ConvolveRow,
                                    AccumulateRow, FinishBox,       SumBoxes};
    return ops;
}

}  // namespace ThumbMetaLib
