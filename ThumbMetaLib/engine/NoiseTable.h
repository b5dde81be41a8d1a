#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace ThumbMetaLib {

// The dither noise of the pixel routines: 16,384 bytes from the minimal-standard generator
// x <- 16807 x mod (2^31 - 1), seeded with 1129900996, each byte the generator's x >> 8.
class NoiseTable {
public:
    static constexpr std::size_t kSize = 16384;
    static constexpr uint32_t kSeed = 1129900996;
    // Handed to the pixel routines with the table.
    static constexpr int32_t kRoutineParameter = 12281;

    NoiseTable();
    const std::array<uint8_t, kSize>& Bytes() const { return bytes_; }

private:
    std::array<uint8_t, kSize> bytes_;
};

// The pixel routines' set-up: builds the table once; later calls return the same one.
const NoiseTable& PixelRoutineNoise();

}  // namespace ThumbMetaLib
