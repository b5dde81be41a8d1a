#include "HXJPEG/decoder/ColorConverter.h"

#include <algorithm>
#include <cstring>

#include "HXJPEG.h"
#include "HXJPEG/common/CodecSIMD.h"
#include "HXJPEG/decoder/ColorConverterVector.h"

namespace HXJPEG {
namespace {

// Range limit over -256..511 (JPEG samples after level shift, with room for overshoot), built
// by the compiler: no decode depends on a table being set up first.
struct LimitTable {
    uint8_t values[768];
    constexpr LimitTable() : values() {
        for (int i = 0; i < 768; ++i) {
            values[i] = uint8_t(i < 256 ? 0 : (i > 511 ? 255 : i - 256));
        }
    }
};
constexpr LimitTable kLimitTable;
const uint8_t* const g_limit = kLimitTable.values + 256;

inline uint8_t Limit(int v) {
    return g_limit[std::clamp(v, -256, 511)];
}

// limit(128 + round(s / 8)), halves away from zero.
inline uint8_t RoundedSample(int s) {
    int v = s >= 0 ? (s + 4) >> 3 : -((4 - s) >> 3);
    return Limit(128 + v);
}

// Chroma and luma samples are clamped to a range that covers every real image with margin,
// which keeps the 32-bit products below overflow for hostile ones.
inline int ClampSample(int s) {
    return std::clamp(s, -2048, 2047);
}

// YCbCr to RGB in 16.16 (1.402, 1.772, 0.71414, 0.34414); results before limiting.
struct RGBUnlimited {
    int r, g, b;
};
inline RGBUnlimited YCCToRGB(int y, int cb, int cr) {
    y = ClampSample(y);
    cb = ClampSample(cb);
    cr = ClampSample(cr);
    int yy = (y + 1024) << 16;
    return {(yy + 91881 * cr + 0x40000) >> 19, (yy - 22554 * cb - 46802 * cr + 0x3FD00) >> 19,
            (yy + 116130 * cb + 0x40000) >> 19};
}

void GreyToGrey(const int16_t* const in[4], uint8_t* const out[4], uint32_t stride, int width) {
    uint8_t* o = out[0];
    for (int x = 0; x < width; ++x) {
        o[size_t(x) * stride] = RoundedSample(in[0][x]);
    }
}

template <bool kAlpha>
void GreyToRGB(const int16_t* const in[4], uint8_t* const out[4], uint32_t stride, int width) {
    for (int x = 0; x < width; ++x) {
        uint8_t v = RoundedSample(in[0][x]);
        size_t at = size_t(x) * stride;
        out[0][at] = v;
        out[1][at] = v;
        out[2][at] = v;
        if (kAlpha) {
            out[3][at] = 255;
        }
    }
}

template <bool kAlpha>
void YCCToRGBRow(const int16_t* const in[4], uint8_t* const out[4], uint32_t stride, int width) {
    const int16_t* y = in[0];
    const int16_t* cb = in[1];
    const int16_t* cr = in[2];
    uint8_t* o0 = out[0];
    if (out[1] == o0 + 1 && out[2] == o0 + 2 && stride == (kAlpha ? 4u : 3u) &&
        (!kAlpha || out[3] == o0 + 3)) {
        // Interleaved: write whole pixels in order.
        int x = 0;
#if defined(__SSE2__)
        const SIMDLevel level = ActiveCodecSIMD().decoderColor;
        if (!kAlpha && level >= SIMDLevel::kAVX2) {
            x = YCCToRGBPackedAVX2(y, cb, cr, o0, width);
            o0 += size_t(x) * stride;
        } else if (!kAlpha && level >= SIMDLevel::kSSSE3) {
            x = YCCToRGBPackedSSSE3(y, cb, cr, o0, width);
            o0 += size_t(x) * stride;
        } else if (level >= SIMDLevel::kSSE2) {
            x = YCCToRGBInterleavedSSE2(y, cb, cr, o0, width, kAlpha);
            o0 += size_t(x) * stride;
        }
#endif
        for (; x < width; ++x) {
            RGBUnlimited c = YCCToRGB(y[x], cb[x], cr[x]);
            o0[0] = Limit(c.r);
            o0[1] = Limit(c.g);
            o0[2] = Limit(c.b);
            if (kAlpha) {
                o0[3] = 255;
            }
            o0 += stride;
        }
        return;
    }
    for (int x = 0; x < width; ++x) {
        RGBUnlimited c = YCCToRGB(y[x], cb[x], cr[x]);
        size_t at = size_t(x) * stride;
        out[0][at] = Limit(c.r);
        out[1][at] = Limit(c.g);
        out[2][at] = Limit(c.b);
        if (kAlpha) {
            out[3][at] = 255;
        }
    }
}

void YCCCopy(const int16_t* const in[4], uint8_t* const out[4], uint32_t stride, int width) {
    for (int x = 0; x < width; ++x) {
        size_t at = size_t(x) * stride;
        for (int c = 0; c < 3; ++c) {
            out[c][at] = Limit(128 + (in[c][x] >> 3));
        }
    }
}

void CMYKCopy(const int16_t* const in[4], uint8_t* const out[4], uint32_t stride, int width) {
    for (int x = 0; x < width; ++x) {
        size_t at = size_t(x) * stride;
        for (int c = 0; c < 4; ++c) {
            out[c][at] = RoundedSample(in[c][x]);
        }
    }
}

// Works on the stored (inverted) values: each channel is min(K, X * K / 255).
template <bool kAlpha>
void CMYKToRGB(const int16_t* const in[4], uint8_t* const out[4], uint32_t stride, int width) {
    for (int x = 0; x < width; ++x) {
        size_t at = size_t(x) * stride;
        int k = RoundedSample(in[3][x]);
        for (int c = 0; c < 3; ++c) {
            int v = RoundedSample(in[c][x]);
            out[c][at] = uint8_t(std::min(k, v * k / 255));
        }
        if (kAlpha) {
            out[3][at] = 255;
        }
    }
}

template <bool kAlpha>
void YCCKToRGB(const int16_t* const in[4], uint8_t* const out[4], uint32_t stride, int width) {
    for (int x = 0; x < width; ++x) {
        size_t at = size_t(x) * stride;
        int k = RoundedSample(in[3][x]);
        RGBUnlimited c = YCCToRGB(in[0][x], in[1][x], in[2][x]);
        int rgb[3] = {c.r, c.g, c.b};
        for (int i = 0; i < 3; ++i) {
            int v = std::min(k, (255 - rgb[i]) * k / 255);
            out[i][at] = uint8_t(std::clamp(v, 0, 255));
        }
        if (kAlpha) {
            out[3][at] = 255;
        }
    }
}

void YCCKToCMYK(const int16_t* const in[4], uint8_t* const out[4], uint32_t stride, int width) {
    for (int x = 0; x < width; ++x) {
        size_t at = size_t(x) * stride;
        RGBUnlimited c = YCCToRGB(in[0][x], in[1][x], in[2][x]);
        out[0][at] = uint8_t(255 - Limit(c.r));
        out[1][at] = uint8_t(255 - Limit(c.g));
        out[2][at] = uint8_t(255 - Limit(c.b));
        out[3][at] = RoundedSample(in[3][x]);
    }
}

}  // namespace

void SelectColorSIMD(bool useSSE2) {
    CodecSIMD table = ActiveCodecSIMD();
    table.decoderColor = useSSE2 ? BestCodecSIMD(true).decoderColor : SIMDLevel::kPortable;
    OverrideCodecSIMD(table);
}

RowConverter SelectRowConverter(int componentCount, uint32_t colorSpace, bool untransformed) {
    switch (componentCount) {
        case 1:
            switch (colorSpace) {
                case HXJPEG_COLOR_RGB:
                    return GreyToRGB<false>;
                case HXJPEG_COLOR_GREY:
                    return GreyToGrey;
                case HXJPEG_COLOR_RGBX:
                    return GreyToRGB<true>;
                default:
                    return nullptr;
            }
        case 3:
            switch (colorSpace) {
                case HXJPEG_COLOR_RGB:
                    return YCCToRGBRow<false>;
                case HXJPEG_COLOR_GREY:
                    return GreyToGrey;
                case HXJPEG_COLOR_YCBCR:
                    return YCCCopy;
                case HXJPEG_COLOR_RGBX:
                    return YCCToRGBRow<true>;
                default:
                    return nullptr;
            }
        case 4:
            switch (colorSpace) {
                case HXJPEG_COLOR_RGB:
                    return untransformed ? CMYKToRGB<false> : YCCKToRGB<false>;
                case HXJPEG_COLOR_CMYK:
                    return untransformed ? CMYKCopy : YCCKToCMYK;
                case HXJPEG_COLOR_RGBX:
                    return untransformed ? CMYKToRGB<true> : YCCKToRGB<true>;
                default:
                    return nullptr;
            }
        default:
            return nullptr;
    }
}

}  // namespace HXJPEG
