#pragma once

#include <cstdint>

#include "HXJPEG/common/FrameInfo.h"

namespace HXJPEG {

// One Huffman table of the encoder: the symbol statistics of the image at hand, the table as
// written in DHT, and the code and length of every symbol.
struct HuffmanEncoderTable {
    uint32_t frequencies[256] = {};
    HuffmanTableSpec spec;
    uint16_t codes[256] = {};
    uint8_t lengths[256] = {};  // 0: the symbol has no code
    bool defined = false;

    void ClearFrequencies();

    // Builds the optimal table for `frequencies` by JPEG Annex K.2 (code lengths limited to 16
    // bits, one code point reserved so that no code is all ones), then assigns the codes
    // canonically (Annex C).
    void Build();

    // Every symbol that can occur gets a code even if the sample missed it: DC categories
    // 0..11, AC run/size symbols with sizes 1..10, EOB and ZRL.
    void AddDcFloor();
    void AddAcFloor();
};

}  // namespace HXJPEG
