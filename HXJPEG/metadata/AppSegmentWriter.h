#pragma once

#include <cstdint>

#include "HXJPEG.h"
#include "HXJPEG/encoder/JPEGOutputStream.h"

namespace HXJPEG {

// The encoder's side of metadata: one APPn segment (marker, length, the caller's payload
// written through without a copy). -102 for a segment that cannot be framed (no data, a payload
// of 65533 bytes or more, an index above 15).
int32_t WriteAppSegment(JPEGOutputStream& stream, const HXJPEGMetaData& segment);

}  // namespace HXJPEG
