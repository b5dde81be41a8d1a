#include "ThumbMetaLib/formats/layered/SampleRows.h"

#include <array>
#include <cmath>
#include <cstring>

namespace ThumbMetaLib {
namespace {

// Linear light in 1/4096 steps to sRGB-encoded 8 bits.
const std::array<uint8_t, 4097>& LinearToEncoded() {
    static const std::array<uint8_t, 4097> table = [] {
        std::array<uint8_t, 4097> t{};
        for (size_t i = 0; i < t.size(); ++i) {
            const double v = double(i) / 4096.0;
            const double e = v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
            t[i] = uint8_t(std::lround(e * 255.0));
        }
        return t;
    }();
    return table;
}

uint8_t FloatTo8(const uint8_t* p) {
    const uint32_t bits = uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
    float v;
    std::memcpy(&v, &bits, 4);
    if (!(v > 0.0f)) {  // also NaN
        return 0;
    }
    if (v >= 1.0f) {
        return 255;
    }
    return LinearToEncoded()[size_t(std::lround(v * 4096.0f))];
}

}  // namespace

void RowTo8Bits(const uint8_t* stored, uint16_t depth, uint32_t width, uint8_t* out) {
    if (width == 0) {
        return;  // a layer without columns: both rows may be null (memcpy wants them not to be)
    }
    switch (depth) {
        case 1:
            for (uint32_t x = 0; x < width; ++x) {
                const bool black = (stored[x >> 3] >> (7 - (x & 7))) & 1;
                out[x] = black ? 0 : 255;
            }
            break;
        case 8:
            std::memcpy(out, stored, width);
            break;
        case 16:
            for (uint32_t x = 0; x < width; ++x) {
                const uint32_t v = uint32_t(stored[2 * x]) << 8 | stored[2 * x + 1];
                out[x] = uint8_t((v * 255 + 32767) / 65535);
            }
            break;
        case 32:
            for (uint32_t x = 0; x < width; ++x) {
                out[x] = FloatTo8(stored + 4 * size_t{x});
            }
            break;
        default:
            std::memset(out, 0, width);
            break;
    }
}

}  // namespace ThumbMetaLib
