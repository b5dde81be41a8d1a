#pragma once

// Small SSE2 helpers shared by the SSE2 and SSSE3 row kernels. Only include on x86.
#include <emmintrin.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "resize/RowKernels.h"

namespace resize {

// The rows of one nearest batch (at most kNearestRowBatch), copied out of the caller's arrays.
struct NearestRows {
    const uint8_t* src[kNearestRowBatch];
    uint8_t* dst[kNearestRowBatch];
    int32_t count;

    NearestRows(const uint8_t* const* in, uint8_t* const* out, int32_t rows) : count(rows) {
        std::copy(in, in + rows, src);
        std::copy(out, out + rows, dst);
    }
};

// Two 16-bit weights repeated over the register, for pmaddwd against interleaved pairs.
inline __m128i WeightPair(int16_t a, int16_t b) {
    return _mm_set1_epi32(
        static_cast<int32_t>(static_cast<uint16_t>(a)) |
        static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint16_t>(b)) << 16));
}

inline __m128i LoadLow8(const uint8_t* p) {
    return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
}

inline __m128i Load4(const uint8_t* p) {
    int32_t v;
    std::memcpy(&v, p, 4);
    return _mm_cvtsi32_si128(v);
}

// Rounds three 14-bit sums in lanes 0..2 and stores them as three bytes.
inline void StorePixel3(uint8_t* out, __m128i sums) {
    const __m128i v = _mm_srai_epi32(sums, 14);
    const int32_t pixel = _mm_cvtsi128_si32(_mm_packus_epi16(_mm_packs_epi32(v, v), v));
    std::memcpy(out, &pixel, 3);
}

}  // namespace resize
