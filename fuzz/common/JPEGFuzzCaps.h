#pragma once
// How much work a JPEG fuzz target lets one input cost. The product decodes what it is given;
// while fuzzing, an image that promises many pixels or hundreds of scans only slows the search
// down, and the time goes to small images instead. The caps go through the decoder's own
// limits (HXJPEGDecoderSetLimits), so the header is still parsed and the refusal itself is
// fuzzed; nothing changes the codec's normal behaviour.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "HXJPEG.h"

namespace vantory::fuzz {

// Samples per component of a frame a target still decodes: 128 x 128, still 64 MCUs of the
// largest sampling. Under the sanitizers a decode costs about a microsecond a pixel, so the
// dearest input stays near 16 ms and the typical one far below the half millisecond a run may
// take at 2,000 executions a second.
constexpr uint32_t kMaxFuzzFramePixels = 1u << 14;

// Scans a target still decodes (progressive files have about ten; more only repeats work).
constexpr uint32_t kMaxFuzzScans = 32;

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

// Start-of-scan markers in the bytes. An over-count is harmless: entropy-coded data never
// holds FF DA, so only a marker-like byte pair inside a segment counts twice.
// The search goes through memchr, which is not traced: a loop here traced two comparisons per
// byte of every input, a tenth of a run.
inline size_t CountScanMarkers(const uint8_t* data, size_t size) {
    size_t scans = 0;
    const uint8_t* end = data + size;
    for (const uint8_t* at = data; end - at >= 2; ++at) {
        at = static_cast<const uint8_t*>(std::memchr(at, 0xFF, size_t(end - at - 1)));
        if (at == nullptr) {
            break;
        }
        scans += at[1] == 0xDA;
    }
    return scans;
}

// Whether a path that takes no decode limits (rotation, the thumbnail decode) may have the
// bytes: the scans by counting their markers, the frame through a capped decoder's header.
inline bool WithinFuzzCaps(const uint8_t* data, size_t size) {
    if (CountScanMarkers(data, size) > kMaxFuzzScans) {
        return false;
    }
    HXJPEGDecoder* decoder =
        CreateCappedDecoder(data, size, HXJPEGDecodeOptions{1, 1}, false, nullptr);
    if (decoder == nullptr) {
        return false;
    }
    HXJPEGHeader header{};
    const bool within = HXJPEGDecoderReadHeader(decoder, nullptr, &header) == 0;
    HXJPEGDecoderRelease(decoder);
    return within;
}

}  // namespace vantory::fuzz
