#pragma once

#include <cstdint>

#include "HXJPEG/common/FrameInfo.h"

namespace HXJPEG {

// What a lossless transform hands the encoder: the frame's geometry and the quantisation
// tables the coefficients were quantised with.
struct CoefficientFrame {
    uint16_t width = 0;
    uint16_t height = 0;
    uint8_t count = 0;
    uint8_t h[4] = {1, 1, 1, 1};
    uint8_t v[4] = {1, 1, 1, 1};
    uint8_t quantTable[4] = {};
    QuantTableSpec tables[4];
    bool tableDefined[4] = {};
};

}  // namespace HXJPEG
