#pragma once

#include <tiffio.h>

#include <cstdint>
#include <functional>
#include <string>

#include "ThumbMetaLib/formats/io/BoxShrinker.h"
#include "ThumbMetaLib/formats/io/RasterSource.h"
#include "ThumbMetaLib/formats/tiff/TiffFields.h"
#include "ThumbMetaLib/formats/tiff/TiffFile.h"

namespace ThumbMetaLib {

// Bands (strips, rows of tiles) a read went through, and how many libtiff could not decode.
struct TiffBandCount {
    uint32_t bands = 0;
    uint32_t failed = 0;

    TiffBandCount& operator+=(const TiffBandCount& other) {
        bands += other.bands;
        failed += other.failed;
        return *this;
    }
};

// Reads source rows [first, last) of the image through `tiff` into `shrinker`.
using TiffRowReader = std::function<void(TIFF* tiff, uint32_t first, uint32_t last,
                                         BoxShrinker& shrinker, TiffBandCount& count)>;

// Runs `reader` over the whole image into `target` (the image shrunk by `factor`). An image of
// many bands is read on two threads, the second with a libtiff handle of its own on `source`
// (libtiff handles are not shared between threads), each thread on one half of the rows;
// others on `file` alone. An error on either thread is thrown here after both have ended.
TiffBandCount ReadTiffRows(TiffFile& file, RasterSource& source, const std::string& name,
                           const TiffFields& fields, const Pixels& target, uint32_t factor,
                           const TiffRowReader& reader);

// Calls `decode(bandStart)` for each band that holds rows of [first, last), then `row(y,
// rowInBand)` for each of those rows; bands are `bandRows` high and start at multiples of it.
template <typename Decode, typename Row>
void ForEachBandRow(uint32_t first, uint32_t last, uint32_t bandRows, Decode&& decode, Row&& row) {
    for (uint32_t start = first - first % bandRows; start < last; start += bandRows) {
        decode(start);
        const uint32_t end = std::min(last, start + bandRows);
        for (uint32_t y = std::max(start, first); y < end; ++y) {
            row(y, y - start);
        }
        if (end == last) {
            break;  // the next start could wrap for the last rows of a 4-gigapixel-high image
        }
    }
}

}  // namespace ThumbMetaLib
