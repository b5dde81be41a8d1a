#pragma once

#include <cstdint>

#include "HXJPEG.h"
#include "HXJPEG/decoder/InputBuffer.h"

namespace HXJPEG {

// The decoder's side of metadata: hands each APPn segment met while reading the header to the
// caller's HXJPEGMetaDataHandler (which gives a buffer to take it or none to let it pass), and
// keeps the first bytes of the segment for the decoder's own use (the APP14 colour transform).
class AppSegmentReader {
public:
    // The first bytes of a segment, as far as they were read.
    struct Head {
        static constexpr uint32_t kSize = 12;
        uint8_t bytes[kSize] = {};
        uint32_t size = 0;
    };

    // The handler is copied; null (or one without begin) lets every segment pass.
    void SetHandler(const HXJPEGMetaDataHandler* handler);

    // Reads or skips the payload of the segment with marker `code`. The head is kept when the
    // handler took the segment, or for APP14. False when the input ended inside the segment.
    bool Read(InputBuffer& input, uint8_t code, uint32_t payload, Head* head);

private:
    HXJPEGMetaDataHandler handler_ = {};
};

}  // namespace HXJPEG
