// The decoder's YCbCr to packed RGB with AVX2.
#if defined(__SSE2__)
#include <immintrin.h>

#include "HXJPEG/decoder/ColorConverterLanes.h"
#include "HXJPEG/decoder/ColorConverterVector.h"

namespace HXJPEG {

using namespace colorlanes;

// YCCToRGB8 on sixteen lanes (the unpacks and packs stay within 128-bit halves, so the lane
// order comes back unchanged).
namespace {

__attribute__((target("avx2"))) inline void YCCToRGB32Lanes(const int16_t* y, const int16_t* cb,
                                                            const int16_t* cr, __m256i* r,
                                                            __m256i* g, __m256i* b) {
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

}  // namespace

// Thirty-two pixels at a time into packed RGB: the arithmetic on sixteen lanes, the packing by
// the byte shuffles of YCCToRGBPackedSSSE3; then the rest in sixteens.
__attribute__((target("avx2"))) int YCCToRGBPackedAVX2(const int16_t* y, const int16_t* cb,
                                                       const int16_t* cr, uint8_t* out, int width) {
    int x = 0;
    for (; x + 32 <= width; x += 32) {
        __m256i r0, g0, b0, r1, g1, b1;
        YCCToRGB32Lanes(y + x, cb + x, cr + x, &r0, &g0, &b0);
        YCCToRGB32Lanes(y + x + 16, cb + x + 16, cr + x + 16, &r1, &g1, &b1);
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

}  // namespace HXJPEG

#endif
