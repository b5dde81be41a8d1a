#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "resize/ResizeKernels.h"

// An image for the resize tests: `planes` tightly packed planes of bytesPerPixel-byte pixels, so
// that reading past the last row is caught by AddressSanitizer.
struct TestImage {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bytesPerPixel = 1;
    std::vector<std::vector<uint8_t>> planes;

    TestImage(int32_t w, int32_t h, int32_t bpp, int32_t planeCount, uint8_t fill = 0)
        : width(w), height(h), bytesPerPixel(bpp) {
        planes.assign(static_cast<size_t>(planeCount),
                      std::vector<uint8_t>(static_cast<size_t>(w) * h * bpp, fill));
    }
    int32_t RowStep() const { return width * bytesPerPixel; }
    void Randomise(uint32_t seed) {
        std::mt19937 random(seed);
        for (auto& plane : planes) {
            for (auto& byte : plane) {
                byte = static_cast<uint8_t>(random() & 0xff);
            }
        }
    }
    bool operator==(const TestImage&) const = default;
};

enum class Layout { kPlanar3, kPlanar4, kOneChannel, kInterleaved3, kInterleaved4 };
inline constexpr Layout kAllLayouts[] = {Layout::kPlanar3, Layout::kPlanar4, Layout::kOneChannel,
                                         Layout::kInterleaved3, Layout::kInterleaved4};

inline TestImage MakeImage(Layout layout, int32_t w, int32_t h, uint8_t fill = 0) {
    switch (layout) {
        case Layout::kPlanar3:
            return TestImage(w, h, 1, 3, fill);
        case Layout::kPlanar4:
            return TestImage(w, h, 1, 4, fill);
        case Layout::kOneChannel:
            return TestImage(w, h, 1, 1, fill);
        case Layout::kInterleaved3:
            return TestImage(w, h, 3, 1, fill);
        case Layout::kInterleaved4:
            break;
    }
    return TestImage(w, h, 4, 1, fill);
}

// Calls the entry point of `layout` with the whole source as region of interest.
inline int32_t ResizeWhole(Layout layout, const TestImage& src, TestImage& dst,
                           int32_t interpolation, double xFactor, double yFactor) {
    const uint8_t* s[4] = {};
    uint8_t* d[4] = {};
    for (size_t p = 0; p < src.planes.size() && p < 4; ++p) {
        s[p] = src.planes[p].data();
        d[p] = dst.planes[p].data();
    }
    const int32_t sw = src.width, sh = src.height, ss = src.RowStep();
    const int32_t dw = dst.width, dh = dst.height, ds = dst.RowStep();
    switch (layout) {
        case Layout::kPlanar3:
            return resize::ResizePlanar3(s, sw, sh, ss, 0, 0, sw, sh, d, ds, dw, dh, xFactor,
                                         yFactor, interpolation);
        case Layout::kPlanar4:
            return resize::ResizePlanar4(s, sw, sh, ss, 0, 0, sw, sh, d, ds, dw, dh, xFactor,
                                         yFactor, interpolation);
        case Layout::kOneChannel:
            return resize::ResizeOneChannel(s[0], sw, sh, ss, 0, 0, sw, sh, d[0], ds, dw, dh,
                                            xFactor, yFactor, interpolation);
        case Layout::kInterleaved3:
            return resize::ResizeInterleaved3(s[0], sw, sh, ss, 0, 0, sw, sh, d[0], ds, dw, dh,
                                              xFactor, yFactor, interpolation);
        case Layout::kInterleaved4:
            break;
    }
    return resize::ResizeInterleaved4(s[0], sw, sh, ss, 0, 0, sw, sh, d[0], ds, dw, dh, xFactor,
                                      yFactor, interpolation);
}

inline int32_t ResizeTo(Layout layout, const TestImage& src, TestImage& dst,
                        int32_t interpolation) {
    return ResizeWhole(layout, src, dst, interpolation, static_cast<double>(dst.width) / src.width,
                       static_cast<double>(dst.height) / src.height);
}

inline constexpr int32_t kAllInterpolations[] = {
    resize::kInterpolateNearest, resize::kInterpolateLinear, resize::kInterpolateCubic,
    resize::kInterpolateSupersample};
