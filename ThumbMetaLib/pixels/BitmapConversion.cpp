#include "ThumbMetaLib/pixels/BitmapConversion.h"

#include <cstdlib>

namespace ThumbMetaLib {

PixelsPtr PixelsFromBitmap24(const Bitmap24& bitmap) {
    if (bitmap.bits == nullptr || bitmap.width <= 0 || bitmap.height == 0 ||
        bitmap.height == INT32_MIN) {
        return nullptr;
    }
    const uint32_t width = static_cast<uint32_t>(bitmap.width);
    const uint32_t height = static_cast<uint32_t>(std::abs(bitmap.height));
    const bool bottomUp = bitmap.height > 0;
    const uint64_t srcStride = (uint64_t{width} * 24 + 31) / 32 * 4;
    if (srcStride * height > bitmap.byteCount) {
        return nullptr;
    }
    PixelsPtr pixels = Pixels::Create(width, height, 4, kModeRGB, kLayoutInterleaved, true);
    if (!pixels || pixels->Bytes() == nullptr) {
        return nullptr;
    }
    for (uint32_t y = 0; y < height; ++y) {
        const uint32_t srcRow = bottomUp ? height - 1 - y : y;
        const uint8_t* src = bitmap.bits + srcStride * srcRow;
        uint8_t* dst = pixels->Bytes() + size_t{pixels->RowBytes()} * y;
        for (uint32_t x = 0; x < width; ++x, src += 3, dst += 4) {
            dst[0] = src[0];
            dst[1] = src[1];
            dst[2] = src[2];
            dst[3] = 255;
        }
    }
    return pixels;
}

void SwapFirstAndThirdBytes(uint8_t* pixels, size_t pixelCount) {
    for (size_t i = 0; i < pixelCount; ++i, pixels += 4) {
        const uint8_t first = pixels[0];
        pixels[0] = pixels[2];
        pixels[2] = first;
    }
}

bool SwapFirstAndThirdBytes(Pixels& pixels) {
    if (pixels.Layout() != kLayoutInterleaved || pixels.Channels() != 4 ||
        pixels.Bytes() == nullptr) {
        return false;
    }
    for (uint32_t y = 0; y < pixels.Height(); ++y) {
        SwapFirstAndThirdBytes(pixels.Bytes() + size_t{pixels.RowBytes()} * y, pixels.Width());
    }
    return true;
}

}  // namespace ThumbMetaLib
