#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "ThumbMetaLib/formats/layered/SourceCursor.h"

namespace ThumbMetaLib {

// How a channel's rows are stored: 0 raw, 1 PackBits with a table of row byte counts, 2 and 3
// zip without and with prediction (layer channels only; see ZipChannelRows.h).
enum ChannelCompression : uint16_t {
    kCompressionRaw = 0,
    kCompressionPackBits = 1,
    kCompressionZip = 2,
    kCompressionZipPredicted = 3,
};

// Reads `count` PackBits row byte counts at the cursor (16 bits each in version 1, 32 in
// large documents); refused when the table or the rows it promises run past the file, or a
// row count exceeds what PackBits can take for the row.
std::vector<uint32_t> ReadRowByteCounts(SourceCursor& cursor, uint64_t count, bool large,
                                        uint64_t storedRowBytes);
// The bytes of the rows of `counts` together.
uint64_t SumOfCounts(const std::vector<uint32_t>& counts, size_t first, size_t count);

// Reads the `height` rows of one channel at the cursor, stored raw (`counts` null) or as
// PackBits with the row counts starting at `counts`, and hands each row to `sink` as 8-bit
// samples. Throws LayeredFormatError when the data is short or does not decode.
void ReadChannelRows(SourceCursor& cursor, const uint32_t* counts, uint32_t width, uint16_t depth,
                     uint32_t height,
                     const std::function<void(uint32_t y, const uint8_t* row)>& sink);

}  // namespace ThumbMetaLib
