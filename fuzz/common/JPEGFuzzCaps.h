#pragma once
// How much work a JPEG fuzz target lets one input cost. The product decodes what it is given;
// while fuzzing, an image that promises many pixels or hundreds of scans only slows the search
// down, and the time goes to small images instead. The caps go through the decoder's own
// limits (HXJPEGDecoderSetLimits), so the header is still parsed and the refusal itself is
// fuzzed; nothing changes the codec's normal behaviour.
#include <cstddef>
#include <cstdint>

#include "HXJPEG.h"

namespace vantory::fuzz {

// Samples per component of a frame a target still decodes: 256 x 256. Under the sanitizers a
// decode costs about a microsecond a pixel, so this keeps the dearest input near 0.1 s.
constexpr uint32_t kMaxFuzzFramePixels = 1u << 16;

// Scans a target still decodes (progressive files have about ten; more only repeats work).
constexpr uint32_t kMaxFuzzScans = 100;

inline HXJPEGDecodeLimits FuzzDecodeLimits() {
    HXJPEGDecodeLimits limits{};
    HXJPEGDecodeLimitsInitDefault(&limits);
    limits.maxFramePixels = kMaxFuzzFramePixels;
    limits.maxScans = kMaxFuzzScans;
    return limits;
}

// A decoder over the bytes with the fuzzing limits set; null when the codec refuses to make one.
inline HXJPEGDecoder* CreateCappedDecoder(const uint8_t* data, size_t size,
                                          HXJPEGDecodeOptions options, bool reportWarnings,
                                          HXJPEGWarningHandler* warningHandler) {
    HXJPEGDecoder* decoder = nullptr;
    if (HXJPEGDecoderCreateUsingData(HXJPEGData{data, static_cast<uint32_t>(size)}, options,
                                     reportWarnings, warningHandler, &decoder) != 0) {
        return nullptr;
    }
    const HXJPEGDecodeLimits limits = FuzzDecodeLimits();
    if (HXJPEGDecoderSetLimits(decoder, &limits) != 0) {
        __builtin_trap();  // a fresh decoder must take limits below its defaults
    }
    return decoder;
}

}  // namespace vantory::fuzz
