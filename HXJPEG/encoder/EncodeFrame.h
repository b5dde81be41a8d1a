#pragma once

#include <cstdint>

namespace HXJPEG {

// One component of the frame being written.
struct EncodeComponent {
    uint8_t h = 1;
    uint8_t v = 1;
    uint8_t quantTable = 0;
    uint8_t dcTable = 0;
    uint8_t acTable = 0;
    uint32_t blocksAcross = 0;      // whole MCUs: mcusAcross * h
    uint32_t blocksDown = 0;        // whole MCUs: mcusDown * v
    uint32_t usedBlocksAcross = 0;  // ceil(component width / 8): a non-interleaved scan's width
    uint32_t usedBlocksDown = 0;
};

struct EncodeFrame {
    uint16_t width = 0;
    uint16_t height = 0;
    uint8_t count = 0;
    EncodeComponent components[4];
    uint8_t hmax = 1;
    uint8_t vmax = 1;
    uint32_t mcusAcross = 0;
    uint32_t mcusDown = 0;

    // Derives Hmax, Vmax and the block and MCU counts from the size and the factors.
    void Complete() {
        hmax = 1;
        vmax = 1;
        for (uint32_t i = 0; i < count; ++i) {
            hmax = components[i].h > hmax ? components[i].h : hmax;
            vmax = components[i].v > vmax ? components[i].v : vmax;
        }
        mcusAcross = (width + 8u * hmax - 1) / (8u * hmax);
        mcusDown = (height + 8u * vmax - 1) / (8u * vmax);
        for (uint32_t i = 0; i < count; ++i) {
            EncodeComponent& c = components[i];
            c.blocksAcross = mcusAcross * c.h;
            c.blocksDown = mcusDown * c.v;
            const uint32_t samplesAcross = (width * c.h + hmax - 1) / hmax;
            const uint32_t samplesDown = (height * c.v + vmax - 1) / vmax;
            c.usedBlocksAcross = (samplesAcross + 7) / 8;
            c.usedBlocksDown = (samplesDown + 7) / 8;
        }
    }
    uint32_t BlocksPerMcu(uint32_t component) const {
        return uint32_t{components[component].h} * components[component].v;
    }
};

}  // namespace HXJPEG
