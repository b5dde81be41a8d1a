#pragma once

#include <cstdint>

#include "HXJPEG/encoder/ForwardDCT.h"

namespace HXJPEG {

// One shuffle: zig-zag group `group` (positions 8 * group ...) takes the words of transposed
// register `source` that `mask` selects; the other words become zero.
struct ZigZagShuffle {
    uint8_t group;
    uint8_t source;
    alignas(16) uint8_t mask[16];
};

// 40 shuffles: every (group, source register) pair that moves at least one word.
inline constexpr uint32_t kZigZagShuffleCount = 40;

inline constexpr auto kZigZagShuffles = [] {
    struct Table {
        ZigZagShuffle v[kZigZagShuffleCount];
    } table{};
    uint32_t n = 0;
    for (uint32_t group = 0; group < 8; ++group) {
        for (uint32_t source = 0; source < 8; ++source) {
            ZigZagShuffle shuffle{static_cast<uint8_t>(group), static_cast<uint8_t>(source), {}};
            bool used = false;
            for (uint32_t word = 0; word < 8; ++word) {
                const uint32_t transposed = kZigZagToTransposed.v[group * 8 + word];
                const bool here = transposed / 8 == source;
                used = used || here;
                shuffle.mask[word * 2] = here ? static_cast<uint8_t>((transposed % 8) * 2) : 0x80;
                shuffle.mask[word * 2 + 1] =
                    here ? static_cast<uint8_t>((transposed % 8) * 2 + 1) : 0x80;
            }
            if (used && n < kZigZagShuffleCount) {
                table.v[n++] = shuffle;
            }
        }
    }
    return table;
}();

static_assert(kZigZagShuffles.v[kZigZagShuffleCount - 1].group == 7,
              "the table holds every shuffle");

}  // namespace HXJPEG
