#include "HXJPEG/encoder/ColorConverterGrey.h"

#include <algorithm>

namespace HXJPEG {

void ColorConverterGrey::Convert(const HXJPEGImageContent& input, const BandWindow& window,
                                 ComponentBand* out) {
    const uint32_t realRight = std::min(window.right, window.imageWidth);
    for (uint32_t y = 0; y < out[0].rows; ++y) {
        const uint32_t sourceRow = std::min(y, window.inputRows - 1);
        const uint8_t* source = input.planes[0] + static_cast<size_t>(sourceRow) * input.rowStride;
        int16_t* target = out[0].samples + static_cast<size_t>(y) * out[0].stride;
        for (uint32_t x = window.left; x < realRight; ++x) {
            target[x] = static_cast<int16_t>(source[x * input.pixelStride] - 128);
        }
        for (uint32_t x = realRight; x < window.right; ++x) {
            target[x] = target[realRight - 1];
        }
    }
}

}  // namespace HXJPEG
