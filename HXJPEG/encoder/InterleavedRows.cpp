#include "HXJPEG/encoder/InterleavedRows.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

#include "HXJPEG/encoder/YCbCrArithmetic.h"

namespace HXJPEG {

bool InterleavedLayout::Describe(const uint8_t* const planes[3], uint32_t pixelStride) {
    if (pixelStride != 3 && pixelStride != 4) {
        return false;
    }
    // Addresses compared as numbers: the planes need not point into one buffer.
    const uint8_t* lowest = planes[0];
    for (int c = 1; c < 3; ++c) {
        if (reinterpret_cast<uintptr_t>(planes[c]) < reinterpret_cast<uintptr_t>(lowest)) {
            lowest = planes[c];
        }
    }
    uint32_t found[3];
    for (int c = 0; c < 3; ++c) {
        const uintptr_t distance =
            reinterpret_cast<uintptr_t>(planes[c]) - reinterpret_cast<uintptr_t>(lowest);
        if (distance >= pixelStride) {
            return false;
        }
        found[c] = static_cast<uint32_t>(distance);
    }
    base = lowest;
    if (step == pixelStride && std::equal(found, found + 3, offsets)) {
        return true;
    }
    step = pixelStride;
    std::copy(found, found + 3, offsets);
    for (uint32_t c = 0; c < 3; ++c) {
        for (uint32_t r = 0; r < 4; ++r) {
            for (uint32_t i = 0; i < 16; ++i) {
                const uint32_t at = i * step + offsets[c];
                masks[c][r][i] = at / 16 == r ? static_cast<uint8_t>(at % 16) : 0x80;
            }
        }
    }
    return true;
}

#if defined(__SSE2__)

namespace {

// One channel of sixteen pixels from the `Step` registers they were loaded into.
// The 16 * Step bytes of sixteen pixels, inverted when `flip` is all ones.
template <uint32_t Step>
__attribute__((target("ssse3"), always_inline)) inline void LoadSixteen(const uint8_t* at,
                                                                        __m128i flip,
                                                                        __m128i* loaded) {
    for (uint32_t r = 0; r < Step; ++r) {
        loaded[r] =
            _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at + r * 16)), flip);
    }
}

template <uint32_t Step>
__attribute__((target("ssse3"), always_inline)) inline __m128i Channel(const __m128i* loaded,
                                                                       const uint8_t (*masks)[16]) {
    __m128i channel = _mm_setzero_si128();
    for (uint32_t r = 0; r < Step; ++r) {
        const __m128i mask = _mm_load_si128(reinterpret_cast<const __m128i*>(masks[r]));
        channel = _mm_or_si128(channel, _mm_shuffle_epi8(loaded[r], mask));
    }
    return channel;
}

// Y, Cb and Cr of eight pixels (16-bit lanes); every sum fits 16 bits, see ColorConverterRGB.
__attribute__((always_inline)) inline void WeighEight(__m128i red, __m128i green, __m128i blue,
                                                      int16_t* yOut, int16_t* cbOut,
                                                      int16_t* crOut) {
    auto weigh = [&](const YCbCrWeights& w) {
        return _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(red, _mm_set1_epi16(w.r)),
                                           _mm_mullo_epi16(green, _mm_set1_epi16(w.g))),
                             _mm_mullo_epi16(blue, _mm_set1_epi16(w.b)));
    };
    const __m128i y =
        RoundedSamples(_mm_add_epi16(weigh(kLumaWeights), _mm_set1_epi16(int16_t(kLumaOffset))));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(yOut), y);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(cbOut), RoundedSamples(weigh(kBlueWeights)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(crOut), RoundedSamples(weigh(kRedWeights)));
}

template <uint32_t Step>
__attribute__((target("ssse3"), always_inline)) inline uint32_t ConvertRow(
    const InterleavedLayout& layout, const uint8_t* row, uint32_t count, uint32_t available,
    bool inverted, int16_t* yOut, int16_t* cbOut, int16_t* crOut) {
    const __m128i flip = inverted ? _mm_set1_epi8(-1) : _mm_setzero_si128();
    const __m128i zero = _mm_setzero_si128();
    uint32_t x = 0;
    // Sixteen pixels take 16 * Step bytes, all before the start of pixel x + 16.
    for (; x + 16 <= count && x + 16 < available; x += 16) {
        const uint8_t* at = row + size_t{x} * Step;
        __m128i loaded[Step];
        LoadSixteen<Step>(at, flip, loaded);
        const __m128i red = Channel<Step>(loaded, layout.masks[0]);
        const __m128i green = Channel<Step>(loaded, layout.masks[1]);
        const __m128i blue = Channel<Step>(loaded, layout.masks[2]);
        WeighEight(_mm_unpacklo_epi8(red, zero), _mm_unpacklo_epi8(green, zero),
                   _mm_unpacklo_epi8(blue, zero), yOut + x, cbOut + x, crOut + x);
        WeighEight(_mm_unpackhi_epi8(red, zero), _mm_unpackhi_epi8(green, zero),
                   _mm_unpackhi_epi8(blue, zero), yOut + x + 8, cbOut + x + 8, crOut + x + 8);
    }
    // Eight pixels (one block's width, as the statistics pass converts): 8 * Step bytes.
    if (x + 8 <= count && x + 8 < available) {
        const uint8_t* at = row + size_t{x} * Step;
        __m128i loaded[Step];
        loaded[0] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        loaded[1] = Step == 4 ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 16))
                              : _mm_loadl_epi64(reinterpret_cast<const __m128i*>(at + 16));
        for (uint32_t r = 2; r < Step; ++r) {
            loaded[r] = _mm_setzero_si128();  // holds pixels 8 and on only
        }
        for (uint32_t r = 0; r < Step; ++r) {
            loaded[r] = _mm_xor_si128(loaded[r], flip);
        }
        WeighEight(_mm_unpacklo_epi8(Channel<Step>(loaded, layout.masks[0]), zero),
                   _mm_unpacklo_epi8(Channel<Step>(loaded, layout.masks[1]), zero),
                   _mm_unpacklo_epi8(Channel<Step>(loaded, layout.masks[2]), zero), yOut + x,
                   cbOut + x, crOut + x);
        x += 8;
    }
    return x;
}

__attribute__((target("ssse3"))) uint32_t ConvertRowSSSE3(const InterleavedLayout& layout,
                                                          const uint8_t* row, uint32_t count,
                                                          uint32_t available, bool inverted,
                                                          int16_t* yOut, int16_t* cbOut,
                                                          int16_t* crOut) {
    return layout.step == 3
               ? ConvertRow<3>(layout, row, count, available, inverted, yOut, cbOut, crOut)
               : ConvertRow<4>(layout, row, count, available, inverted, yOut, cbOut, crOut);
}

__attribute__((target("avx2"), always_inline)) inline __m256i Weigh(__m256i r, __m256i g, __m256i b,
                                                                    const YCbCrWeights& w) {
    return _mm256_add_epi16(_mm256_add_epi16(_mm256_mullo_epi16(r, _mm256_set1_epi16(w.r)),
                                             _mm256_mullo_epi16(g, _mm256_set1_epi16(w.g))),
                            _mm256_mullo_epi16(b, _mm256_set1_epi16(w.b)));
}

// WeighEight on sixteen pixels in 256-bit lanes.
__attribute__((target("avx2"), always_inline)) inline void WeighSixteen(__m128i red, __m128i green,
                                                                        __m128i blue, int16_t* yOut,
                                                                        int16_t* cbOut,
                                                                        int16_t* crOut) {
    const __m256i r = _mm256_cvtepu8_epi16(red);
    const __m256i g = _mm256_cvtepu8_epi16(green);
    const __m256i b = _mm256_cvtepu8_epi16(blue);
    const __m256i y = RoundedSamples(
        _mm256_add_epi16(Weigh(r, g, b, kLumaWeights), _mm256_set1_epi16(int16_t(kLumaOffset))));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(yOut), y);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(cbOut),
                        RoundedSamples(Weigh(r, g, b, kBlueWeights)));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(crOut),
                        RoundedSamples(Weigh(r, g, b, kRedWeights)));
}

// ConvertRow with the arithmetic on sixteen pixels at once; the eight-pixel rest goes to
// ConvertRow.
template <uint32_t Step>
__attribute__((target("avx2"), always_inline)) inline uint32_t ConvertRowWide(
    const InterleavedLayout& layout, const uint8_t* row, uint32_t count, uint32_t available,
    bool inverted, int16_t* yOut, int16_t* cbOut, int16_t* crOut) {
    const __m128i flip = inverted ? _mm_set1_epi8(-1) : _mm_setzero_si128();
    uint32_t x = 0;
    for (; x + 16 <= count && x + 16 < available; x += 16) {
        const uint8_t* at = row + size_t{x} * Step;
        __m128i loaded[Step];
        LoadSixteen<Step>(at, flip, loaded);
        WeighSixteen(Channel<Step>(loaded, layout.masks[0]), Channel<Step>(loaded, layout.masks[1]),
                     Channel<Step>(loaded, layout.masks[2]), yOut + x, cbOut + x, crOut + x);
    }
    return x + ConvertRow<Step>(layout, row + size_t{x} * Step, count - x, available - x, inverted,
                                yOut + x, cbOut + x, crOut + x);
}

__attribute__((target("avx2"))) uint32_t ConvertRowAVX2(const InterleavedLayout& layout,
                                                        const uint8_t* row, uint32_t count,
                                                        uint32_t available, bool inverted,
                                                        int16_t* yOut, int16_t* cbOut,
                                                        int16_t* crOut) {
    return layout.step == 3
               ? ConvertRowWide<3>(layout, row, count, available, inverted, yOut, cbOut, crOut)
               : ConvertRowWide<4>(layout, row, count, available, inverted, yOut, cbOut, crOut);
}

// Level-shifted Y of sixteen pixels (stored) and their unshifted Cb and Cr sums
// (-43 R - 85 G + 128 B and 128 R - 107 G - 21 B, exact in 16 bits) summed over horizontal
// pairs in 32 bits: eight pair sums each, low then high half.
struct PairSums {
    __m128i cb[2];
    __m128i cr[2];
};

template <uint32_t Step>
__attribute__((target("ssse3"), always_inline)) inline PairSums ConvertSixteen(
    const InterleavedLayout& layout, const uint8_t* at, __m128i flip, int16_t* yOut) {
    __m128i loaded[Step];
    LoadSixteen<Step>(at, flip, loaded);
    const __m128i zero = _mm_setzero_si128();
    const __m128i ones = _mm_set1_epi16(1);
    const __m128i red = Channel<Step>(loaded, layout.masks[0]);
    const __m128i green = Channel<Step>(loaded, layout.masks[1]);
    const __m128i blue = Channel<Step>(loaded, layout.masks[2]);
    PairSums sums;
    for (int half = 0; half < 2; ++half) {
        const __m128i r = half == 0 ? _mm_unpacklo_epi8(red, zero) : _mm_unpackhi_epi8(red, zero);
        const __m128i g =
            half == 0 ? _mm_unpacklo_epi8(green, zero) : _mm_unpackhi_epi8(green, zero);
        const __m128i b = half == 0 ? _mm_unpacklo_epi8(blue, zero) : _mm_unpackhi_epi8(blue, zero);
        auto weigh = [&](const YCbCrWeights& w) {
            return _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(r, _mm_set1_epi16(w.r)),
                                               _mm_mullo_epi16(g, _mm_set1_epi16(w.g))),
                                 _mm_mullo_epi16(b, _mm_set1_epi16(w.b)));
        };
        _mm_storeu_si128(reinterpret_cast<__m128i*>(yOut + half * 8),
                         RoundedSamples(_mm_add_epi16(weigh(kLumaWeights),
                                                      _mm_set1_epi16(int16_t(kLumaOffset)))));
        sums.cb[half] = _mm_madd_epi16(weigh(kBlueWeights), ones);
        sums.cr[half] = _mm_madd_epi16(weigh(kRedWeights), ones);
    }
    return sums;
}

template <uint32_t Step>
__attribute__((target("ssse3"), always_inline)) inline uint32_t ConvertRowPair(
    const InterleavedLayout& layout, const uint8_t* const rows[2], uint32_t count,
    uint32_t available, bool inverted, int16_t* const yOut[2], int16_t* cbOut, int16_t* crOut) {
    const __m128i flip = inverted ? _mm_set1_epi8(-1) : _mm_setzero_si128();
    uint32_t x = 0;
    for (; x + 16 <= count && x + 16 < available; x += 16) {
        const PairSums top =
            ConvertSixteen<Step>(layout, rows[0] + size_t{x} * Step, flip, yOut[0] + x);
        const PairSums bottom =
            ConvertSixteen<Step>(layout, rows[1] + size_t{x} * Step, flip, yOut[1] + x);
        // The four products' sum, rounded: the mean of the 2x2 group.
        const __m128i cb =
            _mm_packs_epi32(RoundedGroupsOfFour(_mm_add_epi32(top.cb[0], bottom.cb[0])),
                            RoundedGroupsOfFour(_mm_add_epi32(top.cb[1], bottom.cb[1])));
        const __m128i cr =
            _mm_packs_epi32(RoundedGroupsOfFour(_mm_add_epi32(top.cr[0], bottom.cr[0])),
                            RoundedGroupsOfFour(_mm_add_epi32(top.cr[1], bottom.cr[1])));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(cbOut + x / 2), cb);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(crOut + x / 2), cr);
    }
    return x;
}

__attribute__((target("ssse3"))) uint32_t ConvertRowPairSSSE3(const InterleavedLayout& layout,
                                                              const uint8_t* const rows[2],
                                                              uint32_t count, uint32_t available,
                                                              bool inverted, int16_t* const yOut[2],
                                                              int16_t* cbOut, int16_t* crOut) {
    return layout.step == 3
               ? ConvertRowPair<3>(layout, rows, count, available, inverted, yOut, cbOut, crOut)
               : ConvertRowPair<4>(layout, rows, count, available, inverted, yOut, cbOut, crOut);
}

__attribute__((target("avx2"))) uint32_t ConvertRowPairAVX2(const InterleavedLayout& layout,
                                                            const uint8_t* const rows[2],
                                                            uint32_t count, uint32_t available,
                                                            bool inverted, int16_t* const yOut[2],
                                                            int16_t* cbOut, int16_t* crOut) {
    return layout.step == 3
               ? ConvertRowPair<3>(layout, rows, count, available, inverted, yOut, cbOut, crOut)
               : ConvertRowPair<4>(layout, rows, count, available, inverted, yOut, cbOut, crOut);
}

}  // namespace

uint32_t ConvertInterleavedRow(const InterleavedLayout& layout, const uint8_t* row, uint32_t count,
                               uint32_t available, bool inverted, bool vex, int16_t* yOut,
                               int16_t* cbOut, int16_t* crOut) {
    return vex ? ConvertRowAVX2(layout, row, count, available, inverted, yOut, cbOut, crOut)
               : ConvertRowSSSE3(layout, row, count, available, inverted, yOut, cbOut, crOut);
}

uint32_t ConvertInterleavedRowPair(const InterleavedLayout& layout, const uint8_t* const rows[2],
                                   uint32_t count, uint32_t available, bool inverted, bool vex,
                                   int16_t* const yOut[2], int16_t* cbOut, int16_t* crOut) {
    return vex ? ConvertRowPairAVX2(layout, rows, count, available, inverted, yOut, cbOut, crOut)
               : ConvertRowPairSSSE3(layout, rows, count, available, inverted, yOut, cbOut, crOut);
}

#else

uint32_t ConvertInterleavedRow(const InterleavedLayout&, const uint8_t*, uint32_t, uint32_t, bool,
                               bool, int16_t*, int16_t*, int16_t*) {
    return 0;
}

uint32_t ConvertInterleavedRowPair(const InterleavedLayout&, const uint8_t* const[2], uint32_t,
                                   uint32_t, bool, bool, int16_t* const[2], int16_t*, int16_t*) {
    return 0;
}

#endif

}  // namespace HXJPEG
