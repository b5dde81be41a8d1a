// The decoder's YCbCr to RGB conversion with SSE2.
#if defined(__SSE2__)
#include <immintrin.h>

#include <cstring>

#include "HXJPEG/decoder/ColorConverterLanes.h"
#include "HXJPEG/decoder/ColorConverterVector.h"

namespace HXJPEG {

using namespace colorlanes;

// Sixteen pixels at a time into interleaved RGB or RGBX; returns how many were converted.
namespace {

template <bool kAlpha>
int Interleaved(const int16_t* y, const int16_t* cb, const int16_t* cr, uint8_t* out, int width) {
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

}  // namespace

int YCCToRGBInterleavedSSE2(const int16_t* y, const int16_t* cb, const int16_t* cr, uint8_t* out,
                            int width, bool alpha) {
    return alpha ? Interleaved<true>(y, cb, cr, out, width)
                 : Interleaved<false>(y, cb, cr, out, width);
}

}  // namespace HXJPEG

#endif
