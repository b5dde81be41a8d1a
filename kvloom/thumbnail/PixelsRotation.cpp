#include "kvloom/thumbnail/PixelsRotation.h"

#include <cstring>

namespace kvloom {

using ThumbMetaLib::Pixels;
using ThumbMetaLib::PixelsPtr;

namespace {

// Bytes of one pixel: single-channel buffers are stored planar with one plane.
uint32_t PixelBytes(const Pixels& pixels) {
    return pixels.Layout() == ThumbMetaLib::kLayoutInterleaved
               ? static_cast<uint32_t>(pixels.Channels())
               : 1;
}

bool Rotatable(const Pixels& pixels) {
    return pixels.Bytes() != nullptr &&
           (pixels.Layout() == ThumbMetaLib::kLayoutInterleaved || pixels.Channels() == 1);
}

PixelsPtr EmptyLike(const Pixels& source, uint32_t width, uint32_t height) {
    PixelsPtr target =
        Pixels::Create(width, height, source.Channels(), source.Mode(), source.Layout(), true);
    if (!target || target->Bytes() == nullptr) {
        return nullptr;
    }
    target->SetProfile(source.Profile());
    target->SetInOutputSpace(source.InOutputSpace());
    return target;
}

// Row r of the result is source column r read from the bottom row to the top.
PixelsPtr QuarterTurn(const Pixels& source) {
    PixelsPtr target = EmptyLike(source, source.Height(), source.Width());
    if (!target) {
        return nullptr;
    }
    const uint32_t size = PixelBytes(source);
    const uint32_t sourceHeight = source.Height();
    for (uint32_t r = 0; r < target->Height(); ++r) {
        uint8_t* out = target->Bytes() + size_t{r} * target->RowBytes();
        for (uint32_t c = 0; c < target->Width(); ++c) {
            const uint8_t* in = source.Bytes() + size_t{sourceHeight - 1 - c} * source.RowBytes() +
                                size_t{r} * size;
            std::memcpy(out + size_t{c} * size, in, size);
        }
    }
    return target;
}

// Both the order of the rows and the order of the pixels in each row reversed.
PixelsPtr HalfTurn(const Pixels& source) {
    PixelsPtr target = EmptyLike(source, source.Width(), source.Height());
    if (!target) {
        return nullptr;
    }
    const uint32_t size = PixelBytes(source);
    const uint32_t width = source.Width();
    for (uint32_t r = 0; r < source.Height(); ++r) {
        const uint8_t* in = source.Bytes() + size_t{source.Height() - 1 - r} * source.RowBytes();
        uint8_t* out = target->Bytes() + size_t{r} * target->RowBytes();
        for (uint32_t c = 0; c < width; ++c) {
            std::memcpy(out + size_t{c} * size, in + size_t{width - 1 - c} * size, size);
        }
    }
    return target;
}

}  // namespace

PixelsPtr RotateClockwise(const PixelsPtr& pixels, int32_t degrees) {
    if (!pixels || !Rotatable(*pixels)) {
        return pixels;
    }
    switch (degrees) {
        case 90:
            return QuarterTurn(*pixels);
        case 180:
            return HalfTurn(*pixels);
        case 270: {
            PixelsPtr half = HalfTurn(*pixels);
            return half ? QuarterTurn(*half) : nullptr;
        }
        default:
            return pixels;
    }
}

}  // namespace kvloom
