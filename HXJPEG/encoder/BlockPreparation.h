#pragma once

#include <cstdint>

#include "HXJPEG/encoder/BlockCoding.h"
#include "HXJPEG/encoder/HuffmanEncoderTable.h"

namespace HXJPEG {

// Counts the sequential symbols of one quantised block (zig-zag order) in the DC and AC
// tables' frequencies and, when `packed` is not null, writes the block in the store's packed
// form (plain DC, packed AC) into `packed`, which must hold zeros.
// `nonZero` is NonZeroMask(block).
inline void PrepareBlock(const int16_t* block, uint64_t nonZero, int16_t& predictor,
                         HuffmanEncoderTable& dc, HuffmanEncoderTable& ac, uint16_t* packed) {
    const int32_t difference = block[0] - predictor;
    predictor = block[0];
    ++dc.frequencies[MagnitudeCategory(difference)];
    if (packed != nullptr) {
        packed[0] = static_cast<uint16_t>(block[0]);
    }
    uint64_t mask = nonZero & ~uint64_t{1};
    int last = 0;
    while (mask != 0) {
        const int k = __builtin_ctzll(mask);
        mask &= mask - 1;
        int run = k - last - 1;
        last = k;
        while (run >= 16) {
            ++ac.frequencies[0xF0];
            run -= 16;
        }
        ++ac.frequencies[(static_cast<uint32_t>(run) << 4) | NonZeroMagnitudeCategory(block[k])];
        if (packed != nullptr) {
            packed[k] = PackCoefficient(block[k]);
        }
    }
    if (last != 63) {
        ++ac.frequencies[0x00];
    }
}

inline void PrepareBlock(const int16_t* block, int16_t& predictor, HuffmanEncoderTable& dc,
                         HuffmanEncoderTable& ac, uint16_t* packed) {
    PrepareBlock(block, NonZeroMask(reinterpret_cast<const uint16_t*>(block)), predictor, dc, ac,
                 packed);
}

}  // namespace HXJPEG
