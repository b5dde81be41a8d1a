#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vantory::cli {

// 8-bit RGB rows, top first, no padding.
struct RgbImage {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> rgb;
};

// Writes `image` as a PNG with the given tEXt chunks to `path`, atomically: into a temporary
// file beside it with `mode`, then renamed over it, so a reader sees the old file or the
// whole new one. False (and nothing left behind) on any failure.
bool WritePngAtomically(const std::string& path, const RgbImage& image,
                        const std::vector<std::pair<std::string, std::string>>& text,
                        unsigned mode);

}  // namespace vantory::cli
