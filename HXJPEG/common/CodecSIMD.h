#pragma once

#include <cstdint>

namespace HXJPEG {

// Vector code levels. Every level produces the same bytes and samples as the portable code.
enum class SIMDLevel : uint8_t {
    kPortable = 0,
    kSSE2 = 1,
    kSSSE3 = 2,  // SSE2 plus byte shuffles
    kAVX2 = 3,   // the SSSE3 code in three-operand (VEX) form, or 256-bit lanes
};

// The inverse DCT: the integer form, or single precision in four or eight lanes.
enum class InverseDCTKind : uint8_t { kInteger = 0, kFloatSSE2 = 1, kFloatAVX = 2 };

// The one dispatch table of the codec: which vector code the decoder's colour conversion and
// inverse DCT and the encoder's colour conversion, forward DCT and zig-zag run.
struct CodecSIMD {
    SIMDLevel decoderColor = SIMDLevel::kPortable;
    InverseDCTKind inverseDCT = InverseDCTKind::kInteger;
    SIMDLevel encoder = SIMDLevel::kPortable;
};

// The table in use. Filled on first use (thread-safe, once) with the best the processor has,
// or the portable code when VANTORY_FORCE_PORTABLE is set to a non-empty value other than "0",
// so that nothing depends on HXJPEGLibInit having run.
CodecSIMD ActiveCodecSIMD();
// HXJPEGLibInit: chooses again as on first use (the environment may have changed).
void ChooseCodecSIMD();
// The best table for this processor (`allowSIMD` false: all portable).
CodecSIMD BestCodecSIMD(bool allowSIMD);
// For tests: installs `table`, each entry clamped to what the processor supports.
void OverrideCodecSIMD(CodecSIMD table);

}  // namespace HXJPEG
