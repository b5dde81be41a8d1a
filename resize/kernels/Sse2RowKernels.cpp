#include "resize/RowKernels.h"

#if defined(__SSE2__)
#include <emmintrin.h>

#include <cstring>

#include "resize/kernels/Sse2Helpers.h"

namespace resize {
namespace {

// 16 output bytes per step: pairs of source rows are interleaved to 16-bit lanes so that one
// pmaddwd applies two taps to four bytes.
void Vertical(const uint8_t* const* rows, const int16_t* weights, int32_t taps, uint8_t* out,
              int32_t bytes) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i rounding = _mm_set1_epi32(8192);
    int32_t x = 0;
    for (; x + 16 <= bytes; x += 16) {
        __m128i acc0 = rounding;
        __m128i acc1 = rounding;
        __m128i acc2 = rounding;
        __m128i acc3 = rounding;
        for (int32_t k = 0; k < taps; k += 2) {
            const __m128i w = WeightPair(weights[k], weights[k + 1]);
            const __m128i r0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k] + x));
            const __m128i r1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k + 1] + x));
            const __m128i lo = _mm_unpacklo_epi8(r0, r1);
            const __m128i hi = _mm_unpackhi_epi8(r0, r1);
            acc0 = _mm_add_epi32(acc0, _mm_madd_epi16(_mm_unpacklo_epi8(lo, zero), w));
            acc1 = _mm_add_epi32(acc1, _mm_madd_epi16(_mm_unpackhi_epi8(lo, zero), w));
            acc2 = _mm_add_epi32(acc2, _mm_madd_epi16(_mm_unpacklo_epi8(hi, zero), w));
            acc3 = _mm_add_epi32(acc3, _mm_madd_epi16(_mm_unpackhi_epi8(hi, zero), w));
        }
        const __m128i low = _mm_packs_epi32(_mm_srai_epi32(acc0, 14), _mm_srai_epi32(acc1, 14));
        const __m128i high = _mm_packs_epi32(_mm_srai_epi32(acc2, 14), _mm_srai_epi32(acc3, 14));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_packus_epi16(low, high));
    }
    for (; x < bytes; ++x) {
        int32_t sum = 0;
        for (int32_t k = 0; k < taps; ++k) {
            sum += rows[k][x] * weights[k];
        }
        out[x] = RoundToByte(sum);
    }
}

// Sum of the four 32-bit lanes of each of a, b, c, d, as the four lanes of the result.
__m128i SumLanes4(__m128i a, __m128i b, __m128i c, __m128i d) {
    const __m128i ab = _mm_add_epi32(_mm_unpacklo_epi32(a, b), _mm_unpackhi_epi32(a, b));
    const __m128i cd = _mm_add_epi32(_mm_unpacklo_epi32(c, d), _mm_unpackhi_epi32(c, d));
    return _mm_add_epi32(_mm_unpacklo_epi64(ab, cd), _mm_unpackhi_epi64(ab, cd));
}

// Eight taps of one output per pmaddwd (the table pads taps to a multiple of 8).
__m128i Dot1(const uint8_t* src, const int16_t* w, int32_t taps) {
    const __m128i zero = _mm_setzero_si128();
    __m128i acc = zero;
    for (int32_t k = 0; k < taps; k += 8) {
        const __m128i s = _mm_unpacklo_epi8(LoadLow8(src + k), zero);
        acc = _mm_add_epi32(
            acc, _mm_madd_epi16(s, _mm_loadu_si128(reinterpret_cast<const __m128i*>(w + k))));
    }
    return acc;
}

void Horizontal1(const uint8_t* in, const FilterAxis& axis, uint8_t* out, int32_t count) {
    const int32_t taps = axis.taps;
    const int32_t* first = axis.first.data();
    const int16_t* weights = axis.weights.data();
    const __m128i rounding = _mm_set1_epi32(8192);
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const int16_t* w = weights + static_cast<ptrdiff_t>(i) * taps;
        const __m128i sums =
            SumLanes4(Dot1(in + first[i], w, taps), Dot1(in + first[i + 1], w + taps, taps),
                      Dot1(in + first[i + 2], w + 2 * taps, taps),
                      Dot1(in + first[i + 3], w + 3 * taps, taps));
        const __m128i v = _mm_srai_epi32(_mm_add_epi32(sums, rounding), 14);
        const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(v, v), v);
        const int32_t four = _mm_cvtsi128_si32(bytes);
        std::memcpy(out + i, &four, 4);
    }
    for (; i < count; ++i) {
        const __m128i s = Dot1(in + first[i], weights + static_cast<ptrdiff_t>(i) * taps, taps);
        const __m128i total = SumLanes4(s, s, s, s);
        out[i] = RoundToByte(_mm_cvtsi128_si32(total));
    }
}

// Three channels, one tap per pmaddwd: each channel in a 32-bit lane whose high half is zero.
void Horizontal3(const uint8_t* in, const FilterAxis& axis, uint8_t* out, int32_t count) {
    const int32_t taps = axis.taps;
    const __m128i zero = _mm_setzero_si128();
    const __m128i rounding = _mm_set1_epi32(8192);
    for (int32_t i = 0; i < count; ++i) {
        const uint8_t* src = in + static_cast<ptrdiff_t>(axis.first[i]) * 3;
        const int16_t* w = &axis.weights[static_cast<size_t>(i) * static_cast<size_t>(taps)];
        __m128i acc = rounding;
        for (int32_t k = 0; k < taps; ++k) {
            const __m128i pixel =
                _mm_unpacklo_epi16(_mm_unpacklo_epi8(Load4(src + k * 3), zero), zero);
            acc = _mm_add_epi32(acc, _mm_madd_epi16(pixel, WeightPair(w[k], 0)));
        }
        StorePixel3(out + i * 3, acc);
    }
}

// Four channels, two taps per pmaddwd: two neighbouring pixels interleaved channel by channel.
void Horizontal4(const uint8_t* in, const FilterAxis& axis, uint8_t* out, int32_t count) {
    const int32_t taps = axis.taps;
    const __m128i zero = _mm_setzero_si128();
    const __m128i rounding = _mm_set1_epi32(8192);
    for (int32_t i = 0; i < count; ++i) {
        const uint8_t* src = in + static_cast<ptrdiff_t>(axis.first[i]) * 4;
        const int16_t* w = &axis.weights[static_cast<size_t>(i) * static_cast<size_t>(taps)];
        __m128i acc = rounding;
        for (int32_t k = 0; k < taps; k += 2) {
            const __m128i two = LoadLow8(src + k * 4);
            const __m128i pairs = _mm_unpacklo_epi8(two, _mm_srli_si128(two, 4));
            acc = _mm_add_epi32(
                acc, _mm_madd_epi16(_mm_unpacklo_epi8(pairs, zero), WeightPair(w[k], w[k + 1])));
        }
        const __m128i v = _mm_srai_epi32(acc, 14);
        const int32_t pixel = _mm_cvtsi128_si32(_mm_packus_epi16(_mm_packs_epi32(v, v), v));
        std::memcpy(out + i * 4, &pixel, 4);
    }
}

// Four-byte pixels four at a time: four 32-bit loads joined into one 16-byte store. The rows of
// a batch share the source offsets; kRows is the batch size, or 0 for any size up to the batch.
template <int32_t kRows>
void NearestPixels4(const NearestRows& rows, const NearestAxis& axis, int32_t count) {
    const int32_t rowCount = kRows > 0 ? kRows : rows.count;
    const int32_t* index = axis.index.data();
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const ptrdiff_t o0 = static_cast<ptrdiff_t>(index[i]) * 4;
        const ptrdiff_t o1 = static_cast<ptrdiff_t>(index[i + 1]) * 4;
        const ptrdiff_t o2 = static_cast<ptrdiff_t>(index[i + 2]) * 4;
        const ptrdiff_t o3 = static_cast<ptrdiff_t>(index[i + 3]) * 4;
        for (int32_t r = 0; r < rowCount; ++r) {
            const uint8_t* s = rows.src[r];
            const __m128i low = _mm_unpacklo_epi32(Load4(s + o0), Load4(s + o1));
            const __m128i high = _mm_unpacklo_epi32(Load4(s + o2), Load4(s + o3));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(rows.dst[r] + i * 4),
                             _mm_unpacklo_epi64(low, high));
        }
    }
    for (; i < count; ++i) {
        for (int32_t r = 0; r < rowCount; ++r) {
            std::memcpy(rows.dst[r] + i * 4, rows.src[r] + static_cast<ptrdiff_t>(index[i]) * 4, 4);
        }
    }
}

// One-byte pixels: no vector gather pays off, but walking the rows of a batch side by side
// shares the index loads and keeps several source rows' cache misses in flight at once, which is
// what strong reductions wait for.
template <int32_t kRows>
void NearestPixels1(const NearestRows& rows, const NearestAxis& axis, int32_t count) {
    const int32_t rowCount = kRows > 0 ? kRows : rows.count;
    const int32_t* index = axis.index.data();
    for (int32_t i = 0; i < count; ++i) {
        const int32_t at = index[i];
        for (int32_t r = 0; r < rowCount; ++r) {
            rows.dst[r][i] = rows.src[r][at];
        }
    }
}

void Nearest(const uint8_t* const* in, uint8_t* const* out, int32_t rowCount,
             const NearestAxis& axis, int32_t bytesPerPixel, int32_t count) {
    const NearestRows rows(in, out, rowCount);
    const bool full = rowCount == kNearestRowBatch;
    if (bytesPerPixel == 1 && full) {
        NearestPixels1<kNearestRowBatch>(rows, axis, count);
    } else if (bytesPerPixel == 1) {
        NearestPixels1<0>(rows, axis, count);
    } else if (bytesPerPixel == 4 && full) {
        NearestPixels4<kNearestRowBatch>(rows, axis, count);
    } else if (bytesPerPixel == 4) {
        NearestPixels4<0>(rows, axis, count);
    } else {
        PortableRowKernels().nearest(in, out, rowCount, axis, bytesPerPixel, count);
    }
}

}  // namespace

const RowKernels& Sse2RowKernels() {
    static const RowKernels kernels{Vertical, Horizontal1, Horizontal3, Horizontal4, Nearest,
                                    2,        8,           2,           false};
    return kernels;
}

}  // namespace resize

#else  // no SSE2: the portable loops serve this level

namespace resize {
const RowKernels& Sse2RowKernels() {
    return PortableRowKernels();
}
}  // namespace resize

#endif
