#pragma once

#include <cstdint>

namespace HXJPEG {

// Which vector code the encoder's hot loops use. Every level writes the same bytes; the
// portable one is plain C++.
enum class EncoderSIMDLevel : uint8_t {
    kPortable = 0,
    kSSE2 = 1,
    kSSSE3 = 2,  // SSE2 plus byte shuffles (zig-zag order, pixel deinterleaving)
    kAVX2 = 3,   // the SSSE3 code in three-operand (VEX) form: fewer register copies
};

// Chosen by HXJPEGLibInit: the best the processor has when `allowSIMD`, else portable.
void SelectEncoderSIMD(bool allowSIMD);
// For tests: a level, clamped to what the processor and the build support.
void SetEncoderSIMDLevel(EncoderSIMDLevel level);
EncoderSIMDLevel ActiveEncoderSIMDLevel();

}  // namespace HXJPEG
