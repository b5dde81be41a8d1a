#include "ThumbMetaLib/resample/SeparableResampler.h"

#include <cstring>
#include <limits>

#include "ThumbMetaLib/pixels/ScratchMem.h"
#include "ThumbMetaLib/resample/PixelsGeometry.h"
#include "ThumbMetaLib/resample/ResamplePasses.h"
#include "ThumbMetaLib/resample/TResizeTable.h"

namespace ThumbMetaLib {
namespace {

struct Plane {
    const uint8_t* bytes;
    size_t stride;
};

// The pass order that makes the smaller intermediate (horizontal first on a tie).
bool VerticalFirst(uint32_t srcW, uint32_t srcH, uint32_t w, uint32_t h) {
    return uint64_t{srcH} * w > uint64_t{srcW} * h;
}

// Resamples one plane of srcW x srcH into dst (w x h) with the tables for each axis.
bool ResamplePlane(Plane src, uint32_t srcW, uint32_t srcH, uint8_t* dst, size_t dstStride,
                   uint32_t w, uint32_t h, const TResizeTable* across, const TResizeTable* down,
                   uint8_t* intermediate) {
    if (down == nullptr) {
        return HorizontalPass(*across, src.bytes, src.stride, srcH, dst, dstStride);
    }
    if (across == nullptr) {
        return VerticalPass(*down, src.bytes, src.stride, srcW, dst, dstStride);
    }
    if (!VerticalFirst(srcW, srcH, w, h)) {
        return HorizontalPass(*across, src.bytes, src.stride, srcH, intermediate, w) &&
               VerticalPass(*down, intermediate, w, w, dst, dstStride);
    }
    return VerticalPass(*down, src.bytes, src.stride, srcW, intermediate, srcW) &&
           HorizontalPass(*across, intermediate, srcW, h, dst, dstStride);
}

// Channel c of `rows` rows of interleaved pixels into a plane.
void Unpack(const uint8_t* src, size_t srcStride, int32_t channels, int32_t c, uint32_t width,
            uint32_t rows, uint8_t* dst, size_t dstStride) {
    for (uint32_t y = 0; y < rows; ++y) {
        const uint8_t* in = src + srcStride * y + c;
        uint8_t* out = dst + dstStride * y;
        for (uint32_t x = 0; x < width; ++x) {
            out[x] = in[size_t(x) * channels];
        }
    }
}

bool ResamplePlanar(const Pixels& source, Pixels& result, const TResizeTable* across,
                    const TResizeTable* down) {
    const uint32_t srcW = source.Width();
    const uint32_t srcH = source.Height();
    const uint32_t w = result.Width();
    const uint32_t h = result.Height();
    const bool twoPasses = across && down;
    ScratchBlock intermediate(!twoPasses                        ? 0
                              : VerticalFirst(srcW, srcH, w, h) ? size_t{h} * srcW
                                                                : size_t{srcH} * w);
    if (twoPasses && intermediate.Get() == nullptr) {
        return false;
    }
    for (int32_t c = 0; c < source.Channels(); ++c) {
        if (!ResamplePlane({source.Plane(c), source.RowBytes()}, srcW, srcH, result.Plane(c),
                           result.RowBytes(), w, h, across, down, intermediate.Get())) {
            return false;
        }
    }
    return true;
}

// A vertical pass treats interleaved rows as one wide plane (columns are independent), so when
// it comes first only the much smaller intermediate is taken apart into channels. Otherwise each
// channel is taken apart before its passes.
bool ResampleInterleaved(const Pixels& source, Pixels& result, const TResizeTable* across,
                         const TResizeTable* down) {
    const uint32_t srcW = source.Width();
    const uint32_t srcH = source.Height();
    const uint32_t w = result.Width();
    const uint32_t h = result.Height();
    const int32_t channels = source.Channels();
    if (down != nullptr && (across == nullptr || VerticalFirst(srcW, srcH, w, h))) {
        const size_t wide = size_t{srcW} * channels;
        ScratchBlock rows(wide * h);
        ScratchBlock plane(across != nullptr ? size_t{h} * srcW : 0);
        if (rows.Get() == nullptr || (across != nullptr && plane.Get() == nullptr) ||
            !VerticalPass(*down, source.Bytes(), source.RowBytes(), uint32_t(wide), rows.Get(),
                          wide)) {
            return false;
        }
        for (int32_t c = 0; c < channels; ++c) {
            if (across == nullptr) {
                Unpack(rows.Get(), wide, channels, c, srcW, h, result.Plane(c), result.RowBytes());
                continue;
            }
            Unpack(rows.Get(), wide, channels, c, srcW, h, plane.Get(), srcW);
            if (!HorizontalPass(*across, plane.Get(), srcW, h, result.Plane(c),
                                result.RowBytes())) {
                return false;
            }
        }
        return true;
    }
    ScratchBlock unpacked(size_t{srcW} * srcH);
    ScratchBlock intermediate(across && down ? size_t{srcH} * w : 0);
    if (unpacked.Get() == nullptr || (across && down && intermediate.Get() == nullptr)) {
        return false;
    }
    for (int32_t c = 0; c < channels; ++c) {
        Unpack(source.Bytes(), source.RowBytes(), channels, c, srcW, srcH, unpacked.Get(), srcW);
        if (!ResamplePlane({unpacked.Get(), srcW}, srcW, srcH, result.Plane(c), result.RowBytes(),
                           w, h, across, down, intermediate.Get())) {
            return false;
        }
    }
    return true;
}

}  // namespace

PixelsPtr ResampleSeparable(const Pixels& source, uint32_t width, uint32_t height,
                            int32_t kernelKind) {
    const uint32_t srcW = source.Width();
    const uint32_t srcH = source.Height();
    constexpr uint32_t kMaxLength = TResizeTable::kMaxLength;
    if (width == 0 || height == 0 || srcW < width || srcH < height || srcW > kMaxLength ||
        srcH > kMaxLength || source.RowBytes() > uint32_t(std::numeric_limits<int32_t>::max()) ||
        !HasConsistentMemory(source)) {
        return nullptr;
    }
    const int32_t channels = source.Channels();
    PixelsPtr result = Pixels::Create(width, height, channels, source.Mode(), kLayoutPlanar, true);
    result->SetInOutputSpace(source.InOutputSpace());
    result->SetProfile(source.Profile());
    if (result->Bytes() == nullptr) {
        return result;
    }

    std::unique_ptr<TResizeTable> across;
    std::unique_ptr<TResizeTable> down;
    if (srcH == height) {
        across = TResizeTable::Build(kernelKind, int32_t(srcW), int32_t(width));
    } else if (srcW == width) {
        down = TResizeTable::Build(kernelKind, int32_t(srcH), int32_t(height));
    } else {
        across = TResizeTable::Build(kernelKind, int32_t(srcW), int32_t(width));
        down = TResizeTable::Build(kernelKind, int32_t(srcH), int32_t(height));
    }

    const bool done = source.Layout() == kLayoutInterleaved
                          ? ResampleInterleaved(source, *result, across.get(), down.get())
                          : ResamplePlanar(source, *result, across.get(), down.get());
    if (!done) {
        result->SetData(nullptr);  // out of memory: a buffer without data
    }
    return result;
}

}  // namespace ThumbMetaLib
