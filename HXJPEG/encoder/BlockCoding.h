#pragma once

#include <cstdint>

#include "HXJPEG/encoder/BitWriter.h"
#include "HXJPEG/encoder/HuffmanEncoderTable.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace HXJPEG {

// Magnitude category (JPEG F.1.2.1): the number of bits of |value|.
inline uint32_t MagnitudeCategory(int32_t value) {
    const uint32_t magnitude = static_cast<uint32_t>(value < 0 ? -value : value);
    return magnitude == 0 ? 0 : 32 - static_cast<uint32_t>(__builtin_clz(magnitude));
}

// The same for a value known to be non-zero.
inline uint32_t NonZeroMagnitudeCategory(int32_t value) {
    const uint32_t magnitude = static_cast<uint32_t>(value < 0 ? -value : value);
    return 32 - static_cast<uint32_t>(__builtin_clz(magnitude));
}

// The magnitude bits of a non-zero value of category `size`: the value itself if positive,
// else its low `size` bits after subtracting one (JPEG F.1.2.1).
inline uint32_t MagnitudeBits(int32_t value, uint32_t size) {
    const int32_t adjusted = value < 0 ? value - 1 : value;
    return static_cast<uint32_t>(adjusted) & ((1u << size) - 1);
}

// A packed coefficient: category in the top 4 bits, magnitude bits in the low 12; zero stays
// zero. The whole-image coefficient store keeps AC coefficients this way so that writing
// them needs no category computation.
inline uint16_t PackCoefficient(int32_t value) {
    if (value == 0) {
        return 0;
    }
    const uint32_t size = MagnitudeCategory(value);
    return static_cast<uint16_t>((size << 12) | MagnitudeBits(value, size));
}

// Bit k set when coefficient k of the 64 16-bit values is non-zero.
inline uint64_t NonZeroMask(const uint16_t* values) {
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    uint64_t zeroMask = 0;
    for (int part = 0; part < 4; ++part) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(values + part * 16));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(values + part * 16 + 8));
        const __m128i packed = _mm_packs_epi16(_mm_cmpeq_epi16(a, zero), _mm_cmpeq_epi16(b, zero));
        zeroMask |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(packed)))
                    << (part * 16);
    }
    return ~zeroMask;
#else
    uint64_t mask = 0;
    for (int k = 0; k < 64; ++k) {
        mask |= static_cast<uint64_t>(values[k] != 0) << k;
    }
    return mask;
#endif
}

inline void PutSymbol(BitWriter::Session& bits, const HuffmanEncoderTable& table, uint32_t symbol) {
    bits.Put(table.codes[symbol], table.lengths[symbol]);
}

// Sequential coding of one block (JPEG F.1.2): DC difference, then AC run/size symbols, ZRL
// for runs of 16 zeros and EOB after the last non-zero coefficient. `block` holds quantised
// coefficients in zig-zag order, or the store's packed form when `Packed` is true (then
// element 0 is the plain DC value); `nonZero` is NonZeroMask(block). Not inlined: in its own
// frame the bit writer's state and the loop's values stay in registers (inlined into the MCU
// loops they were spilled to the stack).
template <bool Packed>
__attribute__((noinline)) void EncodeBlock(BitWriter& writer, const uint16_t* block,
                                           uint64_t nonZero, int16_t& predictor,
                                           const HuffmanEncoderTable& dc,
                                           const HuffmanEncoderTable& ac) {
    BitWriter::Session bits(writer);
    const int16_t dcValue = static_cast<int16_t>(block[0]);
    const int32_t difference = dcValue - predictor;
    predictor = dcValue;
    const uint32_t dcSize = MagnitudeCategory(difference);
    bits.Put((uint32_t{dc.codes[dcSize]} << dcSize) | MagnitudeBits(difference, dcSize),
             dc.lengths[dcSize] + dcSize);

    // Bit i of `mask`: coefficient position + 1 + i is non-zero; its lowest set bit is the
    // run of zeros before the next one.
    uint64_t mask = nonZero >> 1;
    const uint16_t* at = block;
    while (mask != 0) {
        uint32_t run = static_cast<uint32_t>(__builtin_ctzll(mask));
        mask = (mask >> run) >> 1;  // two shifts: run + 1 may be 64
        at += run + 1;
        while (run >= 16) {
            PutSymbol(bits, ac, 0xF0);
            run -= 16;
        }
        uint32_t size;
        uint32_t magnitude;
        if constexpr (Packed) {
            size = *at >> 12;
            magnitude = *at & 0x0FFF;
        } else {
            const int32_t value = static_cast<int16_t>(*at);
            size = NonZeroMagnitudeCategory(value);
            magnitude = MagnitudeBits(value, size);
        }
        const uint32_t symbol = (run << 4) | size;
        bits.Put((uint32_t{ac.codes[symbol]} << size) | magnitude, ac.lengths[symbol] + size);
    }
    if (at != block + 63) {
        PutSymbol(bits, ac, 0x00);
    }
}

template <bool Packed>
inline void EncodeBlock(BitWriter& writer, const uint16_t* block, int16_t& predictor,
                        const HuffmanEncoderTable& dc, const HuffmanEncoderTable& ac) {
    EncodeBlock<Packed>(writer, block, NonZeroMask(block), predictor, dc, ac);
}

}  // namespace HXJPEG
