#pragma once

#include "HXJPEG/common/CodecSIMD.h"

namespace HXJPEG {

// The encoder's part of the codec's dispatch table (CodecSIMD.h): which vector code its hot
// loops use. Every level writes the same bytes; the portable one is plain C++.
using EncoderSIMDLevel = SIMDLevel;

inline EncoderSIMDLevel ActiveEncoderSIMDLevel() {
    return ActiveCodecSIMD().encoder;
}
// For tests: a level, clamped to what the processor and the build support.
inline void SetEncoderSIMDLevel(EncoderSIMDLevel level) {
    CodecSIMD table = ActiveCodecSIMD();
    table.encoder = level;
    OverrideCodecSIMD(table);
}

}  // namespace HXJPEG
