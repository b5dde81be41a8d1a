#pragma once

#include <cstdint>

namespace HXJPEG {

// One component of a frame header (SOF).
struct FrameComponent {
    uint8_t identifier = 0;
    uint8_t h = 1;  // horizontal sampling factor, 1..4
    uint8_t v = 1;  // vertical sampling factor, 1..4
    uint8_t quantTable = 0;
};

// One component of a scan header (SOS).
struct ScanComponent {
    uint8_t frameIndex = 0;  // index into the frame's components
    uint8_t dcTable = 0;
    uint8_t acTable = 0;
    int16_t dcPredictor = 0;
};

struct ScanHeader {
    uint8_t count = 0;  // 1..4
    ScanComponent components[4];
    uint8_t ss = 0, se = 63, ah = 0, al = 0;
};

// Quantisation table as it appears in a file: 8-bit (precision 0) or 16-bit (precision 1)
// values in natural order.
struct QuantTableSpec {
    uint8_t precision = 0;
    uint16_t values[64] = {};
};

// Huffman table as it appears in a DHT segment (JPEG B.2.4.2): counts[l] codes of length l
// (1..16; counts[0] unused) followed by the symbols in code order.
struct HuffmanTableSpec {
    uint8_t counts[17] = {};
    uint8_t symbols[256] = {};
    int symbolCount = 0;
};

}  // namespace HXJPEG
