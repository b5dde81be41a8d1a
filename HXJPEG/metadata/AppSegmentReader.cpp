#include "HXJPEG/metadata/AppSegmentReader.h"

#include <algorithm>
#include <cstring>

#include "HXJPEG/common/Markers.h"

namespace HXJPEG {

void AppSegmentReader::SetHandler(const HXJPEGMetaDataHandler* handler) {
    handler_ = handler != nullptr ? *handler : HXJPEGMetaDataHandler{};
}

bool AppSegmentReader::Read(InputBuffer& input, uint8_t code, uint32_t payload, Head* head) {
    const uint8_t appIndex = uint8_t(code - marker::kAPP0);
    head->size = 0;
    if (handler_.begin != nullptr) {
        uint8_t* buffer = nullptr;
        handler_.begin(handler_.userData, appIndex, uint16_t(payload), &buffer);
        if (buffer != nullptr) {
            const bool complete = input.ReadInto(buffer, payload);
            // The head is kept before the buffer goes back: the handler may release it in end.
            if (complete) {
                head->size = std::min(payload, Head::kSize);
                std::memcpy(head->bytes, buffer, head->size);
            }
            if (handler_.end != nullptr) {
                handler_.end(handler_.userData, appIndex, uint16_t(payload), buffer, complete);
            }
            return complete;
        }
    }
    uint32_t rest = payload;
    if (code == marker::kAPP14 && payload >= Head::kSize) {
        if (!input.ReadInto(head->bytes, Head::kSize)) {
            return false;
        }
        head->size = Head::kSize;
        rest -= Head::kSize;
    }
    return input.Skip(rest);
}

}  // namespace HXJPEG
