#include "HXJPEG/decoder/ColorConverter.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#include <immintrin.h>
#endif

#include "HXJPEG.h"
#include "HXJPEG/common/CodecSIMD.h"

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

#if defined(__SSE2__)
// Eight pixels of YCbCr to RGB with exactly the arithmetic of YCCToRGB: each 16.16 product is
// split into a whole part and a 16-bit high multiply, e.g. (91881 * Cr) >> 16 ==
// Cr + ((26345 * Cr) >> 16), so that 16-bit lanes give the same results as 32-bit integers.
inline void YCCToRGB8(const int16_t* y, const int16_t* cb, const int16_t* cr, __m128i* r,
                      __m128i* g, __m128i* b) {
    const __m128i lo = _mm_set1_epi16(-2048);
    const __m128i hi = _mm_set1_epi16(2047);
    __m128i vy = _mm_min_epi16(_mm_max_epi16(_mm_loadu_si128((const __m128i*)y), lo), hi);
    __m128i vcb = _mm_min_epi16(_mm_max_epi16(_mm_loadu_si128((const __m128i*)cb), lo), hi);
    __m128i vcr = _mm_min_epi16(_mm_max_epi16(_mm_loadu_si128((const __m128i*)cr), lo), hi);
    __m128i rTerm = _mm_add_epi16(vcr, _mm_mulhi_epi16(vcr, _mm_set1_epi16(26345)));
    __m128i bTerm =
        _mm_add_epi16(_mm_add_epi16(vcb, vcb), _mm_mulhi_epi16(vcb, _mm_set1_epi16(-14942)));
    // G: (-22554 Cb + 18734 Cr + 64768) >> 16, minus Cr.
    const __m128i gWeights =
        _mm_set_epi16(18734, -22554, 18734, -22554, 18734, -22554, 18734, -22554);
    const __m128i gRound = _mm_set1_epi32(64768);
    __m128i pairsLo = _mm_unpacklo_epi16(vcb, vcr);
    __m128i pairsHi = _mm_unpackhi_epi16(vcb, vcr);
    __m128i gLo = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(pairsLo, gWeights), gRound), 16);
    __m128i gHi = _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(pairsHi, gWeights), gRound), 16);
    __m128i gTerm = _mm_sub_epi16(_mm_packs_epi32(gLo, gHi), vcr);
    __m128i y1028 = _mm_add_epi16(vy, _mm_set1_epi16(1028));
    __m128i y1027 = _mm_add_epi16(vy, _mm_set1_epi16(1027));
    *r = _mm_srai_epi16(_mm_add_epi16(y1028, rTerm), 3);
    *g = _mm_srai_epi16(_mm_add_epi16(y1027, gTerm), 3);
    *b = _mm_srai_epi16(_mm_add_epi16(y1028, bTerm), 3);
}

// Sixteen pixels of YCbCr to RGB, saturated to bytes: one register per channel.
inline void YCCToRGB16(const int16_t* y, const int16_t* cb, const int16_t* cr, __m128i* rgb) {
    __m128i r0, g0, b0, r1, g1, b1;
    YCCToRGB8(y, cb, cr, &r0, &g0, &b0);
    YCCToRGB8(y + 8, cb + 8, cr + 8, &r1, &g1, &b1);
    rgb[0] = _mm_packus_epi16(r0, r1);
    rgb[1] = _mm_packus_epi16(g0, g1);
    rgb[2] = _mm_packus_epi16(b0, b1);
}

// Sixteen pixels at a time into interleaved RGB or RGBX; returns how many were converted.
template <bool kAlpha>
int YCCToRGBInterleavedSSE2(const int16_t* y, const int16_t* cb, const int16_t* cr, uint8_t* out,
                            int width) {
    int x = 0;
    for (; x + 16 <= width; x += 16) {
        __m128i rgb[3];
        YCCToRGB16(y + x, cb + x, cr + x, rgb);
        const __m128i vr = rgb[0], vg = rgb[1], vb = rgb[2];
        if (kAlpha) {
            const __m128i alpha = _mm_set1_epi8(char(0xFF));
            __m128i rgLo = _mm_unpacklo_epi8(vr, vg), rgHi = _mm_unpackhi_epi8(vr, vg);
            __m128i baLo = _mm_unpacklo_epi8(vb, alpha), baHi = _mm_unpackhi_epi8(vb, alpha);
            __m128i* o = reinterpret_cast<__m128i*>(out + size_t(x) * 4);
            _mm_storeu_si128(o + 0, _mm_unpacklo_epi16(rgLo, baLo));
            _mm_storeu_si128(o + 1, _mm_unpackhi_epi16(rgLo, baLo));
            _mm_storeu_si128(o + 2, _mm_unpacklo_epi16(rgHi, baHi));
            _mm_storeu_si128(o + 3, _mm_unpackhi_epi16(rgHi, baHi));
        } else {
            // Build RGBX pixels, then store each as 4 bytes at 3-byte steps: every store's
            // fourth byte is overwritten by the next pixel; the group's last pixel goes
            // byte-wise so that nothing is written past it.
            const __m128i zero = _mm_setzero_si128();
            __m128i rgLo = _mm_unpacklo_epi8(vr, vg), rgHi = _mm_unpackhi_epi8(vr, vg);
            __m128i bzLo = _mm_unpacklo_epi8(vb, zero), bzHi = _mm_unpackhi_epi8(vb, zero);
            __m128i px[4] = {_mm_unpacklo_epi16(rgLo, bzLo), _mm_unpackhi_epi16(rgLo, bzLo),
                             _mm_unpacklo_epi16(rgHi, bzHi), _mm_unpackhi_epi16(rgHi, bzHi)};
            uint8_t* o = out + size_t(x) * 3;
            for (int q = 0; q < 4; ++q) {
                __m128i v = px[q];
                for (int i = 0; i < 4; ++i) {
                    int index = q * 4 + i;
                    uint32_t pixel = uint32_t(_mm_cvtsi128_si32(v));
                    if (index < 15) {
                        std::memcpy(o + 3 * index, &pixel, 4);
                    } else {
                        o[45] = uint8_t(pixel);
                        o[46] = uint8_t(pixel >> 8);
                        o[47] = uint8_t(pixel >> 16);
                    }
                    v = _mm_srli_si128(v, 4);
                }
            }
        }
    }
    return x;
}

// Output byte n of a 48-byte group is channel n % 3 of pixel n / 3; -128 writes zero.
alignas(16) constexpr int8_t kPackMasks[3][3][16] = {
    {{0, -128, -128, 1, -128, -128, 2, -128, -128, 3, -128, -128, 4, -128, -128, 5},
     {-128, 0, -128, -128, 1, -128, -128, 2, -128, -128, 3, -128, -128, 4, -128, -128},
     {-128, -128, 0, -128, -128, 1, -128, -128, 2, -128, -128, 3, -128, -128, 4, -128}},
    {{-128, -128, 6, -128, -128, 7, -128, -128, 8, -128, -128, 9, -128, -128, 10, -128},
     {5, -128, -128, 6, -128, -128, 7, -128, -128, 8, -128, -128, 9, -128, -128, 10},
     {-128, 5, -128, -128, 6, -128, -128, 7, -128, -128, 8, -128, -128, 9, -128, -128}},
    {{-128, 11, -128, -128, 12, -128, -128, 13, -128, -128, 14, -128, -128, 15, -128, -128},
     {-128, -128, 11, -128, -128, 12, -128, -128, 13, -128, -128, 14, -128, -128, 15, -128},
     {10, -128, -128, 11, -128, -128, 12, -128, -128, 13, -128, -128, 14, -128, -128, 15}}};

// Sixteen pixels at a time into packed RGB: the same arithmetic as YCCToRGBInterleavedSSE2,
// with the triples packed by byte shuffles instead of overlapping scalar stores.
__attribute__((target("ssse3"))) int YCCToRGBPackedSSSE3(const int16_t* y, const int16_t* cb,
                                                         const int16_t* cr, uint8_t* out,
                                                         int width) {
    int x = 0;
    for (; x + 16 <= width; x += 16) {
        __m128i channels[3];
        YCCToRGB16(y + x, cb + x, cr + x, channels);
        __m128i* o = reinterpret_cast<__m128i*>(out + size_t(x) * 3);
        for (int part = 0; part < 3; ++part) {
            __m128i v = _mm_setzero_si128();
            for (int ch = 0; ch < 3; ++ch) {
                __m128i mask =
                    _mm_load_si128(reinterpret_cast<const __m128i*>(kPackMasks[part][ch]));
                v = _mm_or_si128(v, _mm_shuffle_epi8(channels[ch], mask));
            }
            _mm_storeu_si128(o + part, v);
        }
    }
    return x;
}

// YCCToRGB8 on sixteen lanes (the unpacks and packs stay within 128-bit halves, so the lane
// order comes back unchanged).
__attribute__((target("avx2"))) inline void YCCToRGB16(const int16_t* y, const int16_t* cb,
                                                       const int16_t* cr, __m256i* r, __m256i* g,
                                                       __m256i* b) {
    const __m256i lo = _mm256_set1_epi16(-2048);
    const __m256i hi = _mm256_set1_epi16(2047);
    __m256i vy = _mm256_min_epi16(
        _mm256_max_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(y)), lo), hi);
    __m256i vcb = _mm256_min_epi16(
        _mm256_max_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(cb)), lo), hi);
    __m256i vcr = _mm256_min_epi16(
        _mm256_max_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(cr)), lo), hi);
    __m256i rTerm = _mm256_add_epi16(vcr, _mm256_mulhi_epi16(vcr, _mm256_set1_epi16(26345)));
    __m256i bTerm = _mm256_add_epi16(_mm256_add_epi16(vcb, vcb),
                                     _mm256_mulhi_epi16(vcb, _mm256_set1_epi16(-14942)));
    const __m256i gWeights =
        _mm256_set_epi16(18734, -22554, 18734, -22554, 18734, -22554, 18734, -22554, 18734, -22554,
                         18734, -22554, 18734, -22554, 18734, -22554);
    const __m256i gRound = _mm256_set1_epi32(64768);
    __m256i pairsLo = _mm256_unpacklo_epi16(vcb, vcr);
    __m256i pairsHi = _mm256_unpackhi_epi16(vcb, vcr);
    __m256i gLo =
        _mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(pairsLo, gWeights), gRound), 16);
    __m256i gHi =
        _mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(pairsHi, gWeights), gRound), 16);
    __m256i gTerm = _mm256_sub_epi16(_mm256_packs_epi32(gLo, gHi), vcr);
    __m256i y1028 = _mm256_add_epi16(vy, _mm256_set1_epi16(1028));
    __m256i y1027 = _mm256_add_epi16(vy, _mm256_set1_epi16(1027));
    *r = _mm256_srai_epi16(_mm256_add_epi16(y1028, rTerm), 3);
    *g = _mm256_srai_epi16(_mm256_add_epi16(y1027, gTerm), 3);
    *b = _mm256_srai_epi16(_mm256_add_epi16(y1028, bTerm), 3);
}

// Thirty-two pixels at a time into packed RGB: the arithmetic on sixteen lanes, the packing by
// the byte shuffles of YCCToRGBPackedSSSE3; then the rest in sixteens.
__attribute__((target("avx2"))) int YCCToRGBPackedAVX2(const int16_t* y, const int16_t* cb,
                                                       const int16_t* cr, uint8_t* out, int width) {
    int x = 0;
    for (; x + 32 <= width; x += 32) {
        __m256i r0, g0, b0, r1, g1, b1;
        YCCToRGB16(y + x, cb + x, cr + x, &r0, &g0, &b0);
        YCCToRGB16(y + x + 16, cb + x + 16, cr + x + 16, &r1, &g1, &b1);
        // packus interleaves the 128-bit halves of its two inputs; the permute restores order.
        __m256i channels[3] = {_mm256_permute4x64_epi64(_mm256_packus_epi16(r0, r1), 0xD8),
                               _mm256_permute4x64_epi64(_mm256_packus_epi16(g0, g1), 0xD8),
                               _mm256_permute4x64_epi64(_mm256_packus_epi16(b0, b1), 0xD8)};
        for (int half = 0; half < 2; ++half) {
            __m128i* o = reinterpret_cast<__m128i*>(out + size_t(x + 16 * half) * 3);
            for (int part = 0; part < 3; ++part) {
                __m128i v = _mm_setzero_si128();
                for (int ch = 0; ch < 3; ++ch) {
                    __m128i source = half == 0 ? _mm256_castsi256_si128(channels[ch])
                                               : _mm256_extracti128_si256(channels[ch], 1);
                    __m128i mask =
                        _mm_load_si128(reinterpret_cast<const __m128i*>(kPackMasks[part][ch]));
                    v = _mm_or_si128(v, _mm_shuffle_epi8(source, mask));
                }
                _mm_storeu_si128(o + part, v);
            }
        }
    }
    return x + YCCToRGBPackedSSSE3(y + x, cb + x, cr + x, out + size_t(x) * 3, width - x);
}
#endif

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
            x = YCCToRGBInterleavedSSE2<kAlpha>(y, cb, cr, o0, width);
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
