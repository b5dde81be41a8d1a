#pragma once

#include <algorithm>
#include <cstdint>

#include "HXJPEG/common/FrameInfo.h"

namespace HXJPEG {

// The frame header as the decoder uses it: the image size, the components in frame order, and
// the grid of MCUs they imply.
struct DecodedFrame {
    bool read = false;  // a frame header was parsed
    bool progressive = false;
    uint16_t width = 0, height = 0;
    int componentCount = 0;
    FrameComponent components[4];
    int hMax = 1, vMax = 1;  // the largest sampling factors
    int mcusAcross = 0, mcusDown = 0;

    bool Empty() const { return width == 0 || height == 0; }

    // The sampling maxima and the MCU grid, from the size and the components.
    void ComputeGrid() {
        hMax = vMax = 1;
        for (int i = 0; i < componentCount; ++i) {
            hMax = std::max<int>(hMax, components[i].h);
            vMax = std::max<int>(vMax, components[i].v);
        }
        mcusAcross = (width + 8 * hMax - 1) / (8 * hMax);
        mcusDown = (height + 8 * vMax - 1) / (8 * vMax);
    }
};

}  // namespace HXJPEG
