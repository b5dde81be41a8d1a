#include "ThumbMetaLib/resample/ResamplePasses.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "ThumbMetaLib/pixels/ScratchMem.h"
#include "ThumbMetaLib/resample/BoxDivider.h"

namespace ThumbMetaLib {
namespace {

constexpr size_t kStripBytes = ScratchMem::kBufferSize;

// The kernel's rows padded with zeros to a multiple of 8 taps, so vector loops read whole
// registers.
struct PaddedWeights {
    int taps = 0;
    int stride = 0;
    std::vector<int16_t> weights;

    explicit PaddedWeights(const ResizeKernel& kernel)
        : taps(kernel.Taps()), stride((kernel.Taps() + 7) & ~7) {
        weights.assign(size_t(ResizeKernel::kPhases) * stride, 0);
        for (int p = 0; p < ResizeKernel::kPhases; ++p) {
            std::copy_n(kernel.Row(p), taps, weights.begin() + size_t(p) * stride);
        }
    }
};

std::vector<BoxDivider> DividersFor(const TResizeTable& table) {
    std::vector<BoxDivider> dividers;
    dividers.reserve(table.BoxCount().size());
    for (int32_t n : table.BoxCount()) {
        dividers.emplace_back(static_cast<uint32_t>(n));
    }
    return dividers;
}

// Averages one line's boxes; `sums` holds a value per box.
void HorizontalBoxes(const uint8_t* src, const TResizeTable& table,
                     const std::vector<BoxDivider>& dividers, uint32_t* sums, uint8_t* dst,
                     const ResampleRowOps& ops) {
    const int boxes = static_cast<int>(dividers.size());
    ops.sumBoxes(src, table.SourceLength(), table.BoxStart().data(), boxes, sums);
    for (int j = 0; j < boxes; ++j) {
        dst[j] = static_cast<uint8_t>(dividers[j](sums[j]));
    }
}

// The average of `n` rows starting at `first`, over `width` columns; `sums` holds at least
// `width` 32-bit values (reused as 16-bit sums when n allows).
void VerticalBox(const uint8_t* first, size_t stride, int32_t n, uint32_t width, void* sums,
                 uint8_t* out, const ResampleRowOps& ops) {
    if (n == 1) {
        std::memcpy(out, first, width);
        return;
    }
    if (n <= kMaxBoxRowsFor16Bit) {
        uint16_t* sums16 = static_cast<uint16_t*>(sums);
        std::fill_n(sums16, width, uint16_t{0});
        for (int32_t k = 0; k < n; ++k) {
            ops.accumulateRow(first + stride * k, sums16, static_cast<int>(width));
        }
        ops.finishBox(sums16, n, out, static_cast<int>(width));
        return;
    }
    uint32_t* sums32 = static_cast<uint32_t*>(sums);
    std::fill_n(sums32, width, 0u);
    for (int32_t k = 0; k < n; ++k) {
        const uint8_t* row = first + stride * k;
        for (uint32_t x = 0; x < width; ++x) {
            sums32[x] += row[x];
        }
    }
    const BoxDivider divide(static_cast<uint32_t>(n));
    for (uint32_t x = 0; x < width; ++x) {
        out[x] = static_cast<uint8_t>(divide(sums32[x]));
    }
}

size_t StripWidth(size_t bytesPerColumn, uint32_t width) {
    const size_t columns = std::max<size_t>(16, (kStripBytes / bytesPerColumn) & ~size_t{15});
    return std::min<size_t>(columns, width);
}

}  // namespace

bool HorizontalPass(const TResizeTable& table, const uint8_t* src, size_t srcStride, uint32_t rows,
                    uint8_t* dst, size_t dstStride, const ResampleRowOps& ops) {
    const int32_t D = table.DestinationLength();
    const std::vector<int32_t>& index = table.Index();
    if (table.IsNearest()) {
        for (uint32_t y = 0; y < rows; ++y) {
            const uint8_t* in = src + srcStride * y;
            uint8_t* out = dst + dstStride * y;
            for (int32_t i = 0; i < D; ++i) {
                out[i] = in[index[i]];
            }
        }
        return true;
    }
    const std::vector<BoxDivider> dividers = DividersFor(table);
    std::vector<uint32_t> sums(dividers.size());
    if (!table.HasFilter()) {
        for (uint32_t y = 0; y < rows; ++y) {
            HorizontalBoxes(src + srcStride * y, table, dividers, sums.data(), dst + dstStride * y,
                            ops);
        }
        return true;
    }
    const PaddedWeights weights(*table.Kernel());
    const int32_t L = table.IntermediateLength();
    const int first = table.Kernel()->FirstTap();
    const size_t left = size_t(std::max(0, -first));
    const size_t right = size_t(std::max(0, first + weights.stride));
    std::vector<int32_t> start(D);
    for (int32_t i = 0; i < D; ++i) {
        start[i] = static_cast<int32_t>(index[i] + first + static_cast<int32_t>(left));
    }
    ScratchBlock line(left + size_t(L) + right);
    if (line.Get() == nullptr) {
        return false;
    }
    uint8_t* body = line.Get() + left;
    for (uint32_t y = 0; y < rows; ++y) {
        const uint8_t* in = src + srcStride * y;
        if (table.HasBox()) {
            HorizontalBoxes(in, table, dividers, sums.data(), body, ops);
        } else {
            std::memcpy(body, in, size_t(L));
        }
        // Edge samples repeat beyond the line so the kernel never reads outside it.
        std::memset(line.Get(), body[0], left);
        std::memset(body + L, body[L - 1], right);
        ops.convolveRow(line.Get(), start.data(), table.Phase().data(), weights.weights.data(),
                        weights.stride, weights.taps, dst + dstStride * y, D);
    }
    return true;
}

bool VerticalPass(const TResizeTable& table, const uint8_t* src, size_t srcStride, uint32_t width,
                  uint8_t* dst, size_t dstStride, const ResampleRowOps& ops) {
    const int32_t D = table.DestinationLength();
    const std::vector<int32_t>& index = table.Index();
    if (table.IsNearest()) {
        for (int32_t i = 0; i < D; ++i) {
            std::memcpy(dst + dstStride * i, src + srcStride * size_t(index[i]), width);
        }
        return true;
    }
    const std::vector<int32_t>& boxStart = table.BoxStart();
    const std::vector<int32_t>& boxCount = table.BoxCount();
    if (!table.HasFilter()) {
        const size_t strip = StripWidth(sizeof(uint32_t), width);
        ScratchBlock sums(strip * sizeof(uint32_t));
        if (sums.Get() == nullptr) {
            return false;
        }
        for (size_t x0 = 0; x0 < width; x0 += strip) {
            const uint32_t w = static_cast<uint32_t>(std::min<size_t>(strip, width - x0));
            for (int32_t j = 0; j < D; ++j) {
                VerticalBox(src + srcStride * size_t(boxStart[j]) + x0, srcStride, boxCount[j], w,
                            sums.Get(), dst + dstStride * j + x0, ops);
            }
        }
        return true;
    }
    const ResizeKernel& kernel = *table.Kernel();
    const int taps = kernel.Taps();
    const int first = kernel.FirstTap();
    const int32_t L = table.IntermediateLength();
    const uint8_t* rows[kMaxTaps];
    if (!table.HasBox()) {
        for (int32_t i = 0; i < D; ++i) {
            for (int k = 0; k < taps; ++k) {
                const int32_t r = std::clamp(index[i] + first + k, 0, L - 1);
                rows[k] = src + srcStride * size_t(r);
            }
            ops.convolveColumns(rows, kernel.Row(table.Phase()[i]), taps, dst + dstStride * i,
                                static_cast<int>(width));
        }
        return true;
    }
    // Box rows are made on demand into a ring of `taps` rows: the window of rows an output
    // needs only moves forward, and within a window every row has its own slot.
    const size_t strip = StripWidth(size_t(taps) + sizeof(uint32_t), width);
    ScratchBlock ring(strip * size_t(taps));
    ScratchBlock sums(strip * sizeof(uint32_t));
    if (ring.Get() == nullptr || sums.Get() == nullptr) {
        return false;
    }
    int32_t held[kMaxTaps];
    for (size_t x0 = 0; x0 < width; x0 += strip) {
        const uint32_t w = static_cast<uint32_t>(std::min<size_t>(strip, width - x0));
        std::fill_n(held, taps, -1);
        for (int32_t i = 0; i < D; ++i) {
            for (int k = 0; k < taps; ++k) {
                const int32_t r = std::clamp(index[i] + first + k, 0, L - 1);
                const int slot = r % taps;
                uint8_t* row = ring.Get() + strip * size_t(slot);
                if (held[slot] != r) {
                    VerticalBox(src + srcStride * size_t(boxStart[r]) + x0, srcStride, boxCount[r],
                                w, sums.Get(), row, ops);
                    held[slot] = r;
                }
                rows[k] = row;
            }
            ops.convolveColumns(rows, kernel.Row(table.Phase()[i]), taps, dst + dstStride * i + x0,
                                static_cast<int>(w));
        }
    }
    return true;
}

}  // namespace ThumbMetaLib
