#include "HXJPEG/metadata/AppSegmentWriter.h"

#include "HXJPEG/common/Markers.h"

namespace HXJPEG {

int32_t WriteAppSegment(JPEGOutputStream& stream, const HXJPEGMetaData& segment) {
    if (segment.data == nullptr || segment.length >= 65533 || segment.appIndex > 15) {
        return HXJPEG_ERR_INVALID_ARGUMENT;
    }
    stream.PutMarker(static_cast<uint8_t>(marker::kAPP0 + segment.appIndex));
    stream.PutU16(static_cast<uint16_t>(segment.length + 2));
    stream.WriteThrough(segment.data, segment.length);
    return HXJPEG_OK;
}

}  // namespace HXJPEG
