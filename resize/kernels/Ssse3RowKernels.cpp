#include "resize/RowKernels.h"

#if defined(__x86_64__) || defined(__i386__)
#include <emmintrin.h>
#include <tmmintrin.h>

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

// 16 output bytes per group (see NearestAxis) from kChunks consecutive 16-byte loads through the
// plan's masks; the masks are loaded once per group for all rows of the batch.
template <int32_t kChunks, int32_t kRows>
RESIZE_SSSE3 void GatherGroupsOf(const NearestRows& rows, const NearestAxis& axis,
                                 int32_t bytesPerPixel, size_t groups) {
    const int32_t rowCount = kRows > 0 ? kRows : rows.count;
    const int32_t* bases = axis.groupBase.data();
    const auto* masks = reinterpret_cast<const __m128i*>(axis.masks.data());
    for (size_t g = 0; g < groups; ++g) {
        const size_t at = g * 16;
        const int32_t base = bases[g];
        if (base < 0) {
            for (int32_t r = 0; r < rowCount; ++r) {
                CopyNearestBytes(rows.src[r], rows.dst[r], axis, bytesPerPixel, at, at + 16);
            }
            continue;
        }
        __m128i mask[kChunks];
        for (int32_t c = 0; c < kChunks; ++c) {
            mask[c] = _mm_loadu_si128(masks + g * kChunks + static_cast<size_t>(c));
        }
        for (int32_t r = 0; r < rowCount; ++r) {
            const uint8_t* window = rows.src[r] + base;
            __m128i picked = _mm_shuffle_epi8(
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(window)), mask[0]);
            for (int32_t c = 1; c < kChunks; ++c) {
                const __m128i chunk =
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(window + 16 * c));
                picked = _mm_or_si128(picked, _mm_shuffle_epi8(chunk, mask[c]));
            }
            _mm_storeu_si128(reinterpret_cast<__m128i*>(rows.dst[r] + at), picked);
        }
    }
}

// A full batch has its row loop unrolled.
template <int32_t kChunks>
RESIZE_SSSE3 void GatherGroups(const NearestRows& rows, const NearestAxis& axis,
                               int32_t bytesPerPixel, size_t groups) {
    if (rows.count == kNearestRowBatch) {
        GatherGroupsOf<kChunks, kNearestRowBatch>(rows, axis, bytesPerPixel, groups);
    } else {
        GatherGroupsOf<kChunks, 0>(rows, axis, bytesPerPixel, groups);
    }
}

// Three-byte pixels four at a time when they are too far apart for the plan: four 32-bit loads,
// pshufb drops every fourth byte, and the 16-byte store's last four bytes are overwritten by the
// next step. Both the loads and the store must stay inside their rows; the rest goes pixel by
// pixel.
RESIZE_SSSE3 void GatherPixels3(const NearestRows& rows, const NearestAxis& axis, int32_t count) {
    const __m128i compact =
        _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -128, -128, -128, -128);
    const int32_t* index = axis.index.data();
    int32_t i = 0;
    for (; i + 6 <= count && static_cast<int64_t>(index[i + 3]) * 3 + 4 <= axis.readableBytes;
         i += 4) {
        const ptrdiff_t o0 = static_cast<ptrdiff_t>(index[i]) * 3;
        const ptrdiff_t o1 = static_cast<ptrdiff_t>(index[i + 1]) * 3;
        const ptrdiff_t o2 = static_cast<ptrdiff_t>(index[i + 2]) * 3;
        const ptrdiff_t o3 = static_cast<ptrdiff_t>(index[i + 3]) * 3;
        for (int32_t r = 0; r < rows.count; ++r) {
            const uint8_t* s = rows.src[r];
            const __m128i low = _mm_unpacklo_epi32(Load4(s + o0), Load4(s + o1));
            const __m128i high = _mm_unpacklo_epi32(Load4(s + o2), Load4(s + o3));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(rows.dst[r] + i * 3),
                             _mm_shuffle_epi8(_mm_unpacklo_epi64(low, high), compact));
        }
    }
    for (; i < count; ++i) {
        for (int32_t r = 0; r < rows.count; ++r) {
            std::memcpy(rows.dst[r] + i * 3, rows.src[r] + static_cast<ptrdiff_t>(index[i]) * 3, 3);
        }
    }
}

RESIZE_SSSE3 void Nearest(const uint8_t* const* in, uint8_t* const* out, int32_t rowCount,
                          const NearestAxis& axis, int32_t bytesPerPixel, int32_t count) {
    if (axis.chunks == 0) {
        if (bytesPerPixel == 3) {
            GatherPixels3(NearestRows(in, out, rowCount), axis, count);
        } else {
            Sse2RowKernels().nearest(in, out, rowCount, axis, bytesPerPixel, count);
        }
        return;
    }
    const NearestRows rows(in, out, rowCount);
    const size_t bytes = static_cast<size_t>(count) * static_cast<size_t>(bytesPerPixel);
    const size_t groups = axis.groupBase.size();
    switch (axis.chunks) {
        case 1:
            GatherGroups<1>(rows, axis, bytesPerPixel, groups);
            break;
        case 2:
            GatherGroups<2>(rows, axis, bytesPerPixel, groups);
            break;
        case 3:
            GatherGroups<3>(rows, axis, bytesPerPixel, groups);
            break;
        default:
            GatherGroups<kMaxGatherChunks>(rows, axis, bytesPerPixel, groups);
            break;
    }
    for (int32_t r = 0; r < rows.count; ++r) {
        CopyNearestBytes(rows.src[r], rows.dst[r], axis, bytesPerPixel, groups * 16, bytes);
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
