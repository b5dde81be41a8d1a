#include "kvloom/thumbnail/PixelsRotation.h"

#include <cstring>
#include <vector>

namespace kvloom {

using ThumbMetaLib::Pixels;
using ThumbMetaLib::PixelsPtr;

namespace {

// One block of rows to turn: the whole buffer when interleaved, one channel when planar.
struct Plane {
    uint8_t* bytes;
    uint32_t pixelBytes;
};

std::vector<Plane> PlanesOf(const Pixels& pixels) {
    if (pixels.Layout() == ThumbMetaLib::kLayoutInterleaved) {
        return {{pixels.Bytes(), static_cast<uint32_t>(pixels.Channels())}};
    }
    std::vector<Plane> planes;
    for (int32_t c = 0; c < pixels.Channels(); ++c) {
        planes.push_back({pixels.Plane(c), 1});
    }
    return planes;
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
void QuarterTurnPlane(const Plane& in, uint32_t inRowBytes, uint32_t inHeight, const Plane& out,
                      uint32_t outRowBytes, uint32_t outWidth, uint32_t outHeight) {
    const uint32_t size = in.pixelBytes;
    for (uint32_t r = 0; r < outHeight; ++r) {
        uint8_t* row = out.bytes + size_t{r} * outRowBytes;
        for (uint32_t c = 0; c < outWidth; ++c) {
            const uint8_t* from =
                in.bytes + size_t{inHeight - 1 - c} * inRowBytes + size_t{r} * size;
            std::memcpy(row + size_t{c} * size, from, size);
        }
    }
}

// Both the order of the rows and the order of the pixels in each row reversed.
void HalfTurnPlane(const Plane& in, uint32_t rowBytes, uint32_t width, uint32_t height,
                   const Plane& out) {
    const uint32_t size = in.pixelBytes;
    for (uint32_t r = 0; r < height; ++r) {
        const uint8_t* from = in.bytes + size_t{height - 1 - r} * rowBytes;
        uint8_t* row = out.bytes + size_t{r} * rowBytes;
        for (uint32_t c = 0; c < width; ++c) {
            std::memcpy(row + size_t{c} * size, from + size_t{width - 1 - c} * size, size);
        }
    }
}

PixelsPtr Turn(const Pixels& source, bool quarter) {
    PixelsPtr target = quarter ? EmptyLike(source, source.Height(), source.Width())
                               : EmptyLike(source, source.Width(), source.Height());
    if (!target) {
        return nullptr;
    }
    const std::vector<Plane> from = PlanesOf(source);
    const std::vector<Plane> to = PlanesOf(*target);
    for (size_t p = 0; p < from.size() && p < to.size(); ++p) {
        if (quarter) {
            QuarterTurnPlane(from[p], source.RowBytes(), source.Height(), to[p], target->RowBytes(),
                             target->Width(), target->Height());
        } else {
            HalfTurnPlane(from[p], source.RowBytes(), source.Width(), source.Height(), to[p]);
        }
    }
    return target;
}

}  // namespace

PixelsPtr RotateClockwise(const PixelsPtr& pixels, int32_t degrees) {
    if (!pixels || pixels->Bytes() == nullptr) {
        return pixels;
    }
    switch (degrees) {
        case 90:
            return Turn(*pixels, true);
        case 180:
            return Turn(*pixels, false);
        case 270: {
            PixelsPtr half = Turn(*pixels, false);
            return half ? Turn(*half, true) : nullptr;
        }
        default:
            return pixels;
    }
}

}  // namespace kvloom
