#pragma once

#include <cstdint>
#include <functional>

#include "ThumbMetaLib/formats/layered/SourceCursor.h"

namespace ThumbMetaLib {

// Reads the `height` rows of one zip-compressed channel (layer channel compression 2, or 3 with
// prediction) from the `compressedBytes` at the cursor, inflating one row at a time so that a
// channel never costs more than a row of memory, and hands each row to `sink` as 8-bit samples.
// Prediction stores each row as differences from the sample before: of bytes at 8 bits, of
// big-endian 16-bit values at 16 bits, and at 32 bits of the row's bytes after they were
// regrouped by significance (all first bytes, then all second bytes...). Throws
// LayeredFormatError when the data does not inflate to the whole channel.
void ReadZipChannelRows(SourceCursor& cursor, uint64_t compressedBytes, bool predicted,
                        uint32_t width, uint16_t depth, uint32_t height,
                        const std::function<void(uint32_t y, const uint8_t* row)>& sink);

}  // namespace ThumbMetaLib
