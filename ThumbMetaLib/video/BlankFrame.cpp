#include "ThumbMetaLib/video/BlankFrame.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace ThumbMetaLib::video {
namespace {

// Percentiles of the luma histogram that must lie inside the band: the rest may be noise,
// a logo or subtitles.
constexpr double kLowShare = 0.02;
constexpr double kHighShare = 0.98;
constexpr int kBand = 24;    // at most this far apart
constexpr int kDark = 48;    // the bright percentile of a black frame stays below this
constexpr int kLight = 207;  // the dark percentile of a white frame stays above this

int Percentile(const std::array<uint32_t, 256>& histogram, uint64_t total, double share) {
    const auto wanted = static_cast<uint64_t>(double(total) * share);
    uint64_t seen = 0;
    for (int level = 0; level < 256; ++level) {
        seen += histogram[size_t(level)];
        if (seen > wanted) {
            return level;
        }
    }
    return 255;
}

}  // namespace

bool IsNearlyBlank(const Pixels& pixels) {
    if (pixels.Layout() != kLayoutInterleaved || pixels.Channels() != 4 ||
        pixels.Bytes() == nullptr) {
        return false;
    }
    std::array<uint32_t, 256> histogram{};
    for (uint32_t y = 0; y < pixels.Height(); ++y) {
        const uint8_t* p = pixels.Bytes() + size_t(y) * pixels.RowBytes();
        for (uint32_t x = 0; x < pixels.Width(); ++x, p += 4) {
            // BT.601 luma in 8 bits.
            ++histogram[(77u * p[0] + 150u * p[1] + 29u * p[2]) >> 8];
        }
    }
    const uint64_t total = uint64_t{pixels.Width()} * pixels.Height();
    const int low = Percentile(histogram, total, kLowShare);
    const int high = Percentile(histogram, total, kHighShare);
    return high - low <= kBand && (high < kDark || low > kLight);
}

}  // namespace ThumbMetaLib::video
