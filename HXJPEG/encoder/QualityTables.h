#pragma once

#include <cstdint>

namespace HXJPEG {

inline constexpr uint32_t kMaxQuality = 12;

// The built-in quantisation tables for qualities 0..12, 64 values each in natural (row-major)
// order. Qualities 0..6 pair with 2x2 luminance sampling, 7..12 with 1x1, which is why
// quality 7 is coarser than quality 6. Within each range every value falls (or stays) as the
// quality rises.
extern const uint16_t kLuminanceTables[kMaxQuality + 1][64];
extern const uint16_t kChrominanceTables[kMaxQuality + 1][64];

// Three-component images sample luminance 2x2 up to this quality.
inline constexpr uint32_t kLastSubsampledQuality = 6;

}  // namespace HXJPEG
