#include "ThumbMetaLib/resample/ResampleRowOps.h"

#if defined(__SSE2__)
#include <emmintrin.h>

#include <algorithm>
#include <cstring>

namespace ThumbMetaLib {
namespace {

inline __m128i Round14(__m128i acc) {
    return _mm_srai_epi32(_mm_add_epi32(acc, _mm_set1_epi32(8192)), 14);
}

// Adds taps k and k + 1 of 16 columns into four vectors of 32-bit sums.
inline void MultiplyAddPair(const uint8_t* a, const uint8_t* b, __m128i weights, __m128i sums[4]) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i ra = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a));
    const __m128i rb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b));
    const __m128i lo = _mm_unpacklo_epi8(ra, rb);  // a0 b0 a1 b1 ... a7 b7
    const __m128i hi = _mm_unpackhi_epi8(ra, rb);
    sums[0] = _mm_add_epi32(sums[0], _mm_madd_epi16(_mm_unpacklo_epi8(lo, zero), weights));
    sums[1] = _mm_add_epi32(sums[1], _mm_madd_epi16(_mm_unpackhi_epi8(lo, zero), weights));
    sums[2] = _mm_add_epi32(sums[2], _mm_madd_epi16(_mm_unpacklo_epi8(hi, zero), weights));
    sums[3] = _mm_add_epi32(sums[3], _mm_madd_epi16(_mm_unpackhi_epi8(hi, zero), weights));
}

void ConvolveColumns(const uint8_t* const* rows, const int16_t* weights, int taps, uint8_t* dst,
                     int width) {
    __m128i pairs[kMaxTaps / 2];
    for (int k = 0; k < taps; k += 2) {
        const uint32_t packed =
            uint32_t(uint16_t(weights[k])) | (uint32_t(uint16_t(weights[k + 1])) << 16);
        pairs[k / 2] = _mm_set1_epi32(static_cast<int32_t>(packed));
    }
    int x = 0;
    for (; x + 16 <= width; x += 16) {
        __m128i sums[4] = {_mm_setzero_si128(), _mm_setzero_si128(), _mm_setzero_si128(),
                           _mm_setzero_si128()};
        for (int k = 0; k < taps; k += 2) {
            MultiplyAddPair(rows[k] + x, rows[k + 1] + x, pairs[k / 2], sums);
        }
        const __m128i low = _mm_packs_epi32(Round14(sums[0]), Round14(sums[1]));
        const __m128i high = _mm_packs_epi32(Round14(sums[2]), Round14(sums[3]));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x), _mm_packus_epi16(low, high));
    }
    for (; x < width; ++x) {
        int32_t acc = 0;
        for (int k = 0; k < taps; ++k) {
            acc += int32_t{weights[k]} * rows[k][x];
        }
        dst[x] = static_cast<uint8_t>(std::clamp((acc + 8192) >> 14, 0, 255));
    }
}

// One output's products as four 32-bit partial sums; Stride is the padded tap count.
template <int Stride>
inline __m128i DotProduct(const uint8_t* in, const int16_t* w) {
    const __m128i zero = _mm_setzero_si128();
    __m128i sum;
    if constexpr (Stride == 8) {
        const __m128i s = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(in));
        sum = _mm_madd_epi16(_mm_unpacklo_epi8(s, zero),
                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(w)));
    } else {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
        sum =
            _mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi8(s, zero),
                                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(w))),
                          _mm_madd_epi16(_mm_unpackhi_epi8(s, zero),
                                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(w + 8))));
        if constexpr (Stride == 24) {
            const __m128i t = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(in + 16));
            sum = _mm_add_epi32(
                sum, _mm_madd_epi16(_mm_unpacklo_epi8(t, zero),
                                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(w + 16))));
        }
    }
    return sum;
}

template <int Stride>
void ConvolveRowFixed(const uint8_t* line, const int32_t* index, const uint8_t* phase,
                      const int16_t* weights, uint8_t* dst, int count) {
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        __m128i v[4];
        for (int j = 0; j < 4; ++j) {
            v[j] = DotProduct<Stride>(line + index[i + j], weights + size_t{phase[i + j]} * Stride);
        }
        // Transpose-add: lane j of the result is the full sum of v[j].
        const __m128i t0 = _mm_add_epi32(_mm_unpacklo_epi32(v[0], v[1]),
                                         _mm_unpackhi_epi32(v[0], v[1]));  // 0 1 0 1
        const __m128i t1 = _mm_add_epi32(_mm_unpacklo_epi32(v[2], v[3]),
                                         _mm_unpackhi_epi32(v[2], v[3]));  // 2 3 2 3
        const __m128i total = _mm_add_epi32(_mm_unpacklo_epi64(t0, t1), _mm_unpackhi_epi64(t0, t1));
        const __m128i words = _mm_packs_epi32(Round14(total), Round14(total));
        const int32_t bytes = _mm_cvtsi128_si32(_mm_packus_epi16(words, words));
        std::memcpy(dst + i, &bytes, 4);
    }
    for (; i < count; ++i) {
        __m128i v = DotProduct<Stride>(line + index[i], weights + size_t{phase[i]} * Stride);
        v = _mm_add_epi32(v, _mm_shuffle_epi32(v, 0x4E));
        v = _mm_add_epi32(v, _mm_shuffle_epi32(v, 0xB1));
        dst[i] = static_cast<uint8_t>(std::clamp((_mm_cvtsi128_si32(v) + 8192) >> 14, 0, 255));
    }
}

void ConvolveRow(const uint8_t* line, const int32_t* index, const uint8_t* phase,
                 const int16_t* weights, int weightStride, int taps, uint8_t* dst, int count) {
    switch (weightStride) {
        case 8:
            return ConvolveRowFixed<8>(line, index, phase, weights, dst, count);
        case 16:
            return ConvolveRowFixed<16>(line, index, phase, weights, dst, count);
        case 24:
            return ConvolveRowFixed<24>(line, index, phase, weights, dst, count);
        default:
            break;
    }
    for (int i = 0; i < count; ++i) {
        const uint8_t* in = line + index[i];
        const int16_t* w = weights + size_t{phase[i]} * weightStride;
        int32_t acc = 0;
        for (int k = 0; k < taps; ++k) {
            acc += int32_t{w[k]} * in[k];
        }
        dst[i] = static_cast<uint8_t>(std::clamp((acc + 8192) >> 14, 0, 255));
    }
}

void AccumulateRow(const uint8_t* src, uint16_t* sums, int width) {
    const __m128i zero = _mm_setzero_si128();
    int x = 0;
    for (; x + 16 <= width; x += 16) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + x));
        __m128i* out = reinterpret_cast<__m128i*>(sums + x);
        _mm_storeu_si128(out, _mm_add_epi16(_mm_loadu_si128(out), _mm_unpacklo_epi8(s, zero)));
        _mm_storeu_si128(out + 1,
                         _mm_add_epi16(_mm_loadu_si128(out + 1), _mm_unpackhi_epi8(s, zero)));
    }
    for (; x < width; ++x) {
        sums[x] = static_cast<uint16_t>(sums[x] + src[x]);
    }
}

// (sum + n/2) / n in single precision: the quotient is at most 255.5, so the product is
// within 3.1e-5 of the true one, while a non-integral quotient is at least 1/257 below the next
// integer; adding 1/4096 before truncating therefore lands on the exact floor.
inline __m128i DivideLanes(__m128i x, __m128 inverse) {
    const __m128 q = _mm_add_ps(_mm_mul_ps(_mm_cvtepi32_ps(x), inverse), _mm_set1_ps(1.0f / 4096));
    return _mm_cvttps_epi32(q);
}

void FinishBox(const uint16_t* sums, int n, uint8_t* dst, int width) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i half = _mm_set1_epi32(n / 2);
    const __m128 inverse = _mm_set1_ps(1.0f / float(n));
    int x = 0;
    for (; x + 16 <= width; x += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sums + x));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sums + x + 8));
        const __m128i q0 = DivideLanes(_mm_add_epi32(_mm_unpacklo_epi16(a, zero), half), inverse);
        const __m128i q1 = DivideLanes(_mm_add_epi32(_mm_unpackhi_epi16(a, zero), half), inverse);
        const __m128i q2 = DivideLanes(_mm_add_epi32(_mm_unpacklo_epi16(b, zero), half), inverse);
        const __m128i q3 = DivideLanes(_mm_add_epi32(_mm_unpackhi_epi16(b, zero), half), inverse);
        const __m128i words0 = _mm_packs_epi32(q0, q1);
        const __m128i words1 = _mm_packs_epi32(q2, q3);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x), _mm_packus_epi16(words0, words1));
    }
    for (; x < width; ++x) {
        dst[x] = static_cast<uint8_t>((uint32_t{sums[x]} + uint32_t(n / 2)) / uint32_t(n));
    }
}

// Boxes of up to 16 samples: one unaligned load, the samples past the box masked off, and a sum
// of absolute differences against zero that adds the bytes of each half.
void SumBoxes(const uint8_t* src, int length, const int32_t* start, int boxes, uint32_t* sums) {
    alignas(16) static const uint8_t kMasks[17][16] = {
        {},
        {255},
        {255, 255},
        {255, 255, 255},
        {255, 255, 255, 255},
        {255, 255, 255, 255, 255},
        {255, 255, 255, 255, 255, 255},
        {255, 255, 255, 255, 255, 255, 255},
        {255, 255, 255, 255, 255, 255, 255, 255},
        {255, 255, 255, 255, 255, 255, 255, 255, 255},
        {255, 255, 255, 255, 255, 255, 255, 255, 255, 255},
        {255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255},
        {255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255},
        {255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255},
        {255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255},
        {255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255},
        {255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255},
    };
    const __m128i zero = _mm_setzero_si128();
    for (int j = 0; j < boxes; ++j) {
        const int32_t first = start[j];
        const int32_t n = start[j + 1] - first;
        if (n <= 16 && first + 16 <= length) {
            const __m128i samples =
                _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + first)),
                              _mm_load_si128(reinterpret_cast<const __m128i*>(kMasks[n])));
            const __m128i halves = _mm_sad_epu8(samples, zero);
            sums[j] = uint32_t(_mm_cvtsi128_si32(halves) + _mm_extract_epi16(halves, 4));
            continue;
        }
        uint32_t sum = 0;
        for (int32_t k = first; k < first + n; ++k) {
            sum += src[k];
        }
        sums[j] = sum;
    }
}

}  // namespace

const ResampleRowOps* Sse2RowOps() {
    static const ResampleRowOps ops{"sse2",        ConvolveColumns, ConvolveRow,
                                    AccumulateRow, FinishBox,       SumBoxes};
    return &ops;
}

}  // namespace ThumbMetaLib

#else

namespace ThumbMetaLib {
const ResampleRowOps* Sse2RowOps() {
    return nullptr;
}
}  // namespace ThumbMetaLib

#endif
