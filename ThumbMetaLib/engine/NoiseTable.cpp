#include "ThumbMetaLib/engine/NoiseTable.h"

namespace ThumbMetaLib {

NoiseTable::NoiseTable() {
    constexpr uint64_t kModulus = 2147483647;
    uint64_t x = kSeed;
    for (uint8_t& byte : bytes_) {
        x = (16807 * x) % kModulus;
        byte = static_cast<uint8_t>(x >> 8);
    }
}

const NoiseTable& PixelRoutineNoise() {
    static const NoiseTable table;
    return table;
}

}  // namespace ThumbMetaLib
