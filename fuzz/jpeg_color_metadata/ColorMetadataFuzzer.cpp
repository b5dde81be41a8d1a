// The colour metadata of an untrusted file as the codec hands it over: a run of APPn segments
// (ICC chunks, Exif colour space and interoperability index, the colour-management marker).
// The input is a sequence of records: one byte APP index, two bytes length, the payload.
// Whole JPEG files from the seeds are cut into their APP segments instead.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "ThumbMetaLib/formats/jpeg/MetaDataHandler.h"

namespace {

void Offer(ThumbMetaLib::MetaDataHandler& handler, uint8_t index, const uint8_t* data,
           size_t length, bool complete) {
    uint8_t* buffer = nullptr;
    handler.Begin(index, uint16_t(length), &buffer);
    if (buffer != nullptr) {
        std::copy(data, data + length, buffer);
        handler.End(index, uint16_t(length), buffer, complete);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ThumbMetaLib::ThumbImageInfo info;
    ThumbMetaLib::MetaDataHandler handler(&info);
    size_t pos = 0;
    if (size >= 4 && data[0] == 0xFF && data[1] == 0xD8) {
        // A JPEG file: its APPn segments in order, up to the first non-APP marker.
        pos = 2;
        while (pos + 4 <= size && data[pos] == 0xFF && (data[pos + 1] & 0xF0) == 0xE0) {
            const size_t length = size_t(data[pos + 2] << 8 | data[pos + 3]);
            if (length < 2)
                break;
            const size_t payload = length - 2;
            const bool complete = pos + 4 + payload <= size;
            Offer(handler, data[pos + 1] & 0x0F, data + pos + 4,
                  complete ? payload : size - pos - 4, complete);
            pos += 2 + length;
        }
        return 0;
    }
    while (pos + 3 <= size) {
        const uint8_t index = data[pos] & 0x0F;
        size_t length = size_t(data[pos + 1] << 8 | data[pos + 2]);
        pos += 3;
        const bool complete = length <= size - pos;
        if (!complete)
            length = size - pos;
        Offer(handler, index, data + pos, length, complete);
        pos += length;
    }
    return 0;
}
