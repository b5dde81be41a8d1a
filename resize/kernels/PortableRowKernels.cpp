#include <cstring>

#include "resize/RowKernels.h"

namespace resize {
namespace {

void Vertical(const uint8_t* const* rows, const int16_t* weights, int32_t taps, uint8_t* out,
              int32_t bytes) {
    for (int32_t x = 0; x < bytes; ++x) {
        int32_t sum = 0;
        for (int32_t k = 0; k < taps; ++k) {
            sum += rows[k][x] * weights[k];
        }
        out[x] = RoundToByte(sum);
    }
}

template <int32_t kChannels>
void Horizontal(const uint8_t* in, const FilterAxis& axis, uint8_t* out, int32_t count) {
    const int32_t taps = axis.taps;
    for (int32_t i = 0; i < count; ++i) {
        const uint8_t* src = in + static_cast<ptrdiff_t>(axis.first[i]) * kChannels;
        const int16_t* w = &axis.weights[static_cast<size_t>(i) * static_cast<size_t>(taps)];
        int32_t sum[kChannels] = {};
        for (int32_t k = 0; k < taps; ++k) {
            for (int32_t c = 0; c < kChannels; ++c) {
                sum[c] += src[k * kChannels + c] * w[k];
            }
        }
        for (int32_t c = 0; c < kChannels; ++c) {
            out[i * kChannels + c] = RoundToByte(sum[c]);
        }
    }
}

void NearestRow(const uint8_t* in, const NearestAxis& axis, int32_t bytesPerPixel, uint8_t* out,
                int32_t count) {
    const int32_t* index = axis.index.data();
    switch (bytesPerPixel) {
        case 1:
            for (int32_t i = 0; i < count; ++i) {
                out[i] = in[index[i]];
            }
            break;
        case 4:
            for (int32_t i = 0; i < count; ++i) {
                std::memcpy(out + i * 4, in + static_cast<ptrdiff_t>(index[i]) * 4, 4);
            }
            break;
        default:
            for (int32_t i = 0; i < count; ++i) {
                const uint8_t* p = in + static_cast<ptrdiff_t>(index[i]) * bytesPerPixel;
                for (int32_t c = 0; c < bytesPerPixel; ++c) {
                    out[i * bytesPerPixel + c] = p[c];
                }
            }
            break;
    }
}

void Nearest(const uint8_t* const* in, uint8_t* const* out, int32_t rows, const NearestAxis& axis,
             int32_t bytesPerPixel, int32_t count) {
    for (int32_t r = 0; r < rows; ++r) {
        NearestRow(in[r], axis, bytesPerPixel, out[r], count);
    }
}

}  // namespace

const RowKernels& PortableRowKernels() {
    static const RowKernels kernels{
        Vertical, Horizontal<1>, Horizontal<3>, Horizontal<4>, Nearest, 1, 1, 1, false};
    return kernels;
}

const RowKernels& RowKernelsFor(ProcessorLevel level) {
    switch (level) {
        case ProcessorLevel::kSSSE3:
            return Ssse3RowKernels();
        case ProcessorLevel::kSSE2:
        case ProcessorLevel::kSSE3:
            return Sse2RowKernels();
        default:
            return PortableRowKernels();
    }
}

}  // namespace resize
