#pragma once

#include <cstdint>

namespace HXJPEG {

// One band of one component: level-shifted samples (centred on 0) covering whole MCUs, rows
// of `stride` samples.
struct ComponentBand {
    int16_t* samples = nullptr;
    uint32_t stride = 0;
    uint32_t rows = 0;
};

// Which part of a band to convert: input columns [left, right) of the MCU-padded image, where
// columns from `imageWidth` on and rows from `inputRows` on repeat the last real ones.
struct BandWindow {
    uint32_t left = 0;
    uint32_t right = 0;
    uint32_t imageWidth = 0;
    uint32_t inputRows = 0;
};

}  // namespace HXJPEG
