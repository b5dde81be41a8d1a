#include "ThumbMetaLib/formats/layered/BlendModes.h"

#include <algorithm>

#include "ThumbMetaLib/formats/layered/LayerRecords.h"

namespace ThumbMetaLib {
namespace {

uint32_t Multiply(uint32_t a, uint32_t b) {
    return (a * b + 127) / 255;
}

uint32_t Screen(uint32_t a, uint32_t b) {
    return a + b - Multiply(a, b);
}

// Multiply or screen by the first value's side of middle grey, with twice the second's
// strength: overlay is this with the backdrop first, hard light with the layer first.
uint32_t HardMix(uint32_t by, uint32_t other) {
    return by < 128 ? Multiply(2 * by, other) : Screen(2 * by - 255, other);
}

}  // namespace

bool IsDrawnBlendMode(uint32_t key) {
    switch (key) {
        case FourCC("norm"):
        case FourCC("mul "):
        case FourCC("scrn"):
        case FourCC("over"):
        case FourCC("hLit"):
        case FourCC("dark"):
        case FourCC("lite"):
        case FourCC("diff"):
        case FourCC("smud"):
        case FourCC("lddg"):
        case FourCC("lbrn"):
        case FourCC("div "):
        case FourCC("idiv"):
            return true;
        default:
            return false;
    }
}

uint32_t BlendSample(uint32_t key, uint32_t backdrop, uint32_t source) {
    const uint32_t b = backdrop;
    const uint32_t s = source;
    switch (key) {
        case FourCC("mul "):
            return Multiply(b, s);
        case FourCC("scrn"):
            return Screen(b, s);
        case FourCC("over"):
            return HardMix(b, s);
        case FourCC("hLit"):
            return HardMix(s, b);
        case FourCC("dark"):
            return std::min(b, s);
        case FourCC("lite"):
            return std::max(b, s);
        case FourCC("diff"):
            return b > s ? b - s : s - b;
        case FourCC("smud"):  // exclusion
            return b + s - 2 * Multiply(b, s);
        case FourCC("lddg"):  // linear dodge (add)
            return std::min<uint32_t>(b + s, 255);
        case FourCC("lbrn"):  // linear burn
            return b + s > 255 ? b + s - 255 : 0;
        case FourCC("div "):  // colour dodge
            return b == 0 ? 0 : s == 255 ? 255 : std::min<uint32_t>(255, b * 255 / (255 - s));
        case FourCC("idiv"):  // colour burn
            return b == 255 ? 255 : s == 0 ? 0 : 255 - std::min<uint32_t>(255, (255 - b) * 255 / s);
        default:
            return s;
    }
}

}  // namespace ThumbMetaLib
