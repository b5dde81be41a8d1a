#include "resize/RowKernels.h"

#if defined(__x86_64__) || defined(__i386__)
#include <emmintrin.h>
#include <tmmintrin.h>

#include <algorithm>
#include <cstring>

#include "resize/kernels/Sse2Helpers.h"

// Only these functions use SSSE3 (per-function target, so nothing shared with other files is
// compiled for a newer processor than the baseline); they run only at the SSSE3 level.
#define RESIZE_SSSE3 __attribute__((target("ssse3")))

namespace resize {
namespace {

// Three channels, two taps per pmaddwd: pshufb spreads two neighbouring pixels into
// (p0 c0, p1 c0, p0 c1, p1 c1, p0 c2, p1 c2, 0, 0) as 16-bit lanes.
RESIZE_SSSE3 void Horizontal3(const uint8_t* in, const FilterAxis& axis, uint8_t* out,
                              int32_t count) {
    const int32_t taps = axis.taps;
    const __m128i spread =
        _mm_setr_epi8(0, -128, 3, -128, 1, -128, 4, -128, 2, -128, 5, -128, -128, -128, -128, -128);
    const __m128i rounding = _mm_set1_epi32(8192);
    for (int32_t i = 0; i < count; ++i) {
        const uint8_t* src = in + static_cast<ptrdiff_t>(axis.first[i]) * 3;
        const int16_t* w = &axis.weights[static_cast<size_t>(i) * static_cast<size_t>(taps)];
        __m128i acc = rounding;
        for (int32_t k = 0; k < taps; k += 2) {
            const __m128i pairs = _mm_shuffle_epi8(LoadLow8(src + k * 3), spread);
            acc = _mm_add_epi32(acc, _mm_madd_epi16(pairs, WeightPair(w[k], w[k + 1])));
        }
        StorePixel3(out + i * 3, acc);
    }
}

// Three-byte pixels one by one, each moved as one 4-byte word where the word stays inside the
// source row and the next pixel overwrites its fourth byte.
void NearestPixels3(const uint8_t* in, const NearestAxis& axis, uint8_t* out, int32_t count) {
    const int32_t* index = axis.index.data();
    for (int32_t i = 0; i < count; ++i) {
        const int64_t at = static_cast<int64_t>(index[i]) * 3;
        if (i + 1 < count && at + 4 <= axis.readableBytes) {
            std::memcpy(out + i * 3, in + at, 4);
        } else {
            std::memcpy(out + i * 3, in + at, 3);
        }
    }
}

// 16 output bytes per step from a 32-byte source window through two shuffle masks. Without a
// plan (strong reductions) pixels are moved one by one.
RESIZE_SSSE3 void Nearest(const uint8_t* in, const NearestAxis& axis, int32_t bytesPerPixel,
                          uint8_t* out, int32_t count) {
    if (axis.groupBase.empty()) {
        if (bytesPerPixel == 3) {
            NearestPixels3(in, axis, out, count);
        } else {
            PortableRowKernels().nearest(in, axis, bytesPerPixel, out, count);
        }
        return;
    }
    const int32_t* byteIndex = axis.byteIndex.data();
    const size_t bytes = static_cast<size_t>(count) * static_cast<size_t>(bytesPerPixel);
    const size_t groups = std::min(axis.groupBase.size(), bytes / 16);
    for (size_t g = 0; g < groups; ++g) {
        const int32_t base = axis.groupBase[g];
        if (base < 0) {
            for (size_t b = g * 16; b < g * 16 + 16; ++b) {
                out[b] = in[byteIndex[b]];
            }
            continue;
        }
        const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + base));
        const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + base + 16));
        const auto* mask = reinterpret_cast<const __m128i*>(&axis.masks[g * 32]);
        const __m128i picked = _mm_or_si128(_mm_shuffle_epi8(lo, _mm_loadu_si128(mask)),
                                            _mm_shuffle_epi8(hi, _mm_loadu_si128(mask + 1)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + g * 16), picked);
    }
    for (size_t b = groups * 16; b < bytes; ++b) {
        out[b] = in[byteIndex[b]];
    }
}

}  // namespace

const RowKernels& Ssse3RowKernels() {
    static const RowKernels kernels = [] {
        RowKernels k = Sse2RowKernels();
        k.horizontal3 = Horizontal3;
        k.nearest = Nearest;
        k.nearestNeedsGatherPlan = true;
        return k;
    }();
    return kernels;
}

}  // namespace resize

#else

namespace resize {
const RowKernels& Ssse3RowKernels() {
    return Sse2RowKernels();
}
}  // namespace resize

#endif
