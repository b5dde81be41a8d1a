#pragma once
// How much work a JPEG fuzz target lets one input cost. The product decodes what it is given;
// while fuzzing, an image that promises many megapixels or hundreds of scans only slows the
// search down (its header is still parsed, so the header code stays covered), and the time goes
// to small images instead. These caps live in the targets, never in the codec's behaviour.
#include <cstddef>
#include <cstdint>

#include "HXJPEG.h"

namespace vantory::fuzz {

// Pixels of the full-size image a target still decodes.
constexpr uint64_t kMaxFuzzPixels = uint64_t{1} << 20;

// Start-of-scan segments a target still decodes. THE SCAN CAP IS SET HERE: until the decoder
// offers a documented per-decoder scan limit, the targets count the markers themselves (an
// over-count is harmless, entropy-coded data never holds FF DA); once the decoder has one, pass
// this value to it instead and drop CountScanMarkers.
constexpr size_t kMaxFuzzScans = 100;

inline size_t CountScanMarkers(const uint8_t* data, size_t size) {
    size_t scans = 0;
    for (size_t i = 1; i < size; ++i) {
        scans += data[i - 1] == 0xFF && data[i] == 0xDA;
    }
    return scans;
}

// Whether the bytes hold few enough scans to be worth decoding.
inline bool WithinScanCap(const uint8_t* data, size_t size) {
    return CountScanMarkers(data, size) <= kMaxFuzzScans;
}

// Whether a header read with the given decode options promises an image within the pixel cap.
// A reduced decode reports its one-eighth size but still walks every block of the full image.
inline bool WithinPixelCap(const HXJPEGHeader& header, bool reduced) {
    const uint64_t pixels = uint64_t{header.width} * header.height * (reduced ? 64 : 1);
    return pixels <= kMaxFuzzPixels;
}

// Reads the header of a full-size decode over the bytes: whether the image is within both caps.
// The rotation reads its own header; it goes through this first.
inline bool JPEGWithinFuzzCaps(const uint8_t* data, size_t size) {
    if (!WithinScanCap(data, size)) {
        return false;
    }
    HXJPEGDecoder* decoder = nullptr;
    if (HXJPEGDecoderCreateUsingData(HXJPEGData{data, static_cast<uint32_t>(size)},
                                     HXJPEGDecodeOptions{1, 1}, false, nullptr, &decoder) != 0) {
        return false;
    }
    HXJPEGHeader header{};
    const bool within =
        HXJPEGDecoderReadHeader(decoder, nullptr, &header) == 0 && WithinPixelCap(header, false);
    HXJPEGDecoderRelease(decoder);
    return within;
}

}  // namespace vantory::fuzz
