#pragma once

// Test helper: binary PPM (P6, maxval 255) files and conversion to planar Pixels, for comparing
// the resampler with reference tools run as child processes.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ThumbMetaLib/pixels/Pixels.h"

namespace ThumbMetaLib::test {

struct RgbImage {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> rgb;  // interleaved, width * 3 bytes per row
};

inline bool ReadPpm(const std::string& path, RgbImage& image) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    in >> magic;
    if (magic != "P6") {
        return false;
    }
    uint32_t values[3];
    for (uint32_t& v : values) {
        in >> std::ws;
        while (in.peek() == '#') {
            std::string comment;
            std::getline(in, comment);
            in >> std::ws;
        }
        in >> v;
    }
    in.get();
    if (!in || values[2] != 255 || values[0] == 0 || values[1] == 0 || values[0] > 20000 ||
        values[1] > 20000) {
        return false;
    }
    image.width = values[0];
    image.height = values[1];
    image.rgb.resize(size_t{image.width} * image.height * 3);
    in.read(reinterpret_cast<char*>(image.rgb.data()), std::streamsize(image.rgb.size()));
    return bool(in);
}

inline bool WritePpm(const std::string& path, const RgbImage& image) {
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << image.width << ' ' << image.height << "\n255\n";
    out.write(reinterpret_cast<const char*>(image.rgb.data()), std::streamsize(image.rgb.size()));
    return bool(out);
}

inline PixelsPtr ToPlanar(const RgbImage& image) {
    PixelsPtr pixels = Pixels::Create(image.width, image.height, 3, kModeRGB, kLayoutPlanar, true);
    for (int c = 0; c < 3; ++c) {
        for (uint32_t y = 0; y < image.height; ++y) {
            uint8_t* row = pixels->Plane(c) + size_t{pixels->RowBytes()} * y;
            for (uint32_t x = 0; x < image.width; ++x) {
                row[x] = image.rgb[(size_t{y} * image.width + x) * 3 + c];
            }
        }
    }
    return pixels;
}

inline RgbImage FromPlanar(const Pixels& pixels) {
    RgbImage image{pixels.Width(), pixels.Height(), {}};
    image.rgb.resize(size_t{image.width} * image.height * 3);
    for (int c = 0; c < 3; ++c) {
        for (uint32_t y = 0; y < image.height; ++y) {
            const uint8_t* row = pixels.Plane(c) + size_t{pixels.RowBytes()} * y;
            for (uint32_t x = 0; x < image.width; ++x) {
                image.rgb[(size_t{y} * image.width + x) * 3 + c] = row[x];
            }
        }
    }
    return image;
}

// Mean absolute difference per sample over the region both images cover.
inline double MeanAbsoluteDifference(const RgbImage& a, const RgbImage& b) {
    const uint32_t w = std::min(a.width, b.width);
    const uint32_t h = std::min(a.height, b.height);
    uint64_t total = 0;
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w * 3; ++x) {
            const int d =
                int(a.rgb[size_t{y} * a.width * 3 + x]) - int(b.rgb[size_t{y} * b.width * 3 + x]);
            total += uint64_t(d < 0 ? -d : d);
        }
    }
    return w == 0 || h == 0 ? 255.0 : double(total) / (double(w) * h * 3);
}

}  // namespace ThumbMetaLib::test
