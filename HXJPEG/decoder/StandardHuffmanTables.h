#pragma once

#include "HXJPEG/common/FrameInfo.h"

namespace HXJPEG {

// The example tables of JPEG Annex K.3, used when a scan names a table that the file never
// defined (motion-JPEG frames routinely omit DHT). Table 0 luminance, table 1 chrominance.
const HuffmanTableSpec& StandardDCTable(int index);
const HuffmanTableSpec& StandardACTable(int index);

}  // namespace HXJPEG
