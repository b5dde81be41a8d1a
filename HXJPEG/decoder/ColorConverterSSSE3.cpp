// The decoder's YCbCr to packed RGB with SSSE3 byte shuffles.
#if defined(__SSE2__)
#include <immintrin.h>

#include "HXJPEG/decoder/ColorConverterLanes.h"
#include "HXJPEG/decoder/ColorConverterVector.h"

namespace HXJPEG {

using namespace colorlanes;

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

}  // namespace HXJPEG

#endif
