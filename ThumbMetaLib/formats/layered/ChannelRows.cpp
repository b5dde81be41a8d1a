#include "ThumbMetaLib/formats/layered/ChannelRows.h"

#include "ThumbMetaLib/formats/layered/LayeredFormatError.h"
#include "ThumbMetaLib/formats/layered/PackBits.h"
#include "ThumbMetaLib/formats/layered/SampleRows.h"

namespace ThumbMetaLib {

std::vector<uint32_t> ReadRowByteCounts(SourceCursor& cursor, uint64_t count, bool large,
                                        uint64_t storedRowBytes) {
    const uint64_t entryBytes = large ? 4 : 2;
    if (count > cursor.Remaining() / entryBytes) {
        throw LayeredFormatError("PackBits row count table runs past the file");
    }
    std::vector<uint32_t> counts(static_cast<size_t>(count));
    const uint64_t maxRow = MaxPackedRowBytes(size_t(storedRowBytes));
    uint64_t total = 0;
    for (uint32_t& rowCount : counts) {
        rowCount = large ? cursor.U32() : cursor.U16();
        // A PackBits row takes at least two bytes per 128 of its samples.
        if (rowCount > maxRow || rowCount < 2 * ((storedRowBytes + 127) / 128)) {
            throw LayeredFormatError("PackBits row count outside what the row can take");
        }
        total += rowCount;
    }
    if (total > cursor.Remaining()) {
        throw LayeredFormatError("PackBits rows point past the file");
    }
    return counts;
}

uint64_t SumOfCounts(const std::vector<uint32_t>& counts, size_t first, size_t count) {
    uint64_t total = 0;
    for (size_t i = first; i < first + count && i < counts.size(); ++i) {
        total += counts[i];
    }
    return total;
}

void ReadChannelRows(SourceCursor& cursor, const uint32_t* counts, uint32_t width, uint16_t depth,
                     uint32_t height,
                     const std::function<void(uint32_t y, const uint8_t* row)>& sink) {
    const uint64_t rowBytes = StoredRowBytes(width, depth);
    if (counts == nullptr && rowBytes * height > cursor.Remaining()) {
        throw LayeredFormatError("raw channel data runs past the file");
    }
    std::vector<uint8_t> stored(static_cast<size_t>(rowBytes));
    std::vector<uint8_t> packed;
    std::vector<uint8_t> row(width);
    for (uint32_t y = 0; y < height; ++y) {
        if (counts == nullptr) {
            cursor.Read(stored.data(), stored.size());
        } else {
            packed.resize(counts[y]);
            cursor.Read(packed.data(), packed.size());
            if (!UnpackBitsRow(packed.data(), packed.size(), stored.data(), stored.size())) {
                throw LayeredFormatError("PackBits row shorter than the image");
            }
        }
        RowTo8Bits(stored.data(), depth, width, row.data());
        sink(y, row.data());
    }
}

}  // namespace ThumbMetaLib
