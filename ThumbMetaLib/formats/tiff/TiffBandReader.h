#pragma once

#include <tiffio.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ThumbMetaLib/formats/tiff/TiffFields.h"

namespace ThumbMetaLib {

// The decoded samples of a strip or tile image, one band of rows at a time (a strip, or a row
// of tiles put side by side), in libtiff's native byte order. Bands over kMaxBandBytes are
// refused before their memory is asked for.
class TiffBandReader {
public:
    static constexpr uint64_t kMaxBandBytes = uint64_t{256} << 20;

    // Throws TiffFormatError when samples are not whole bytes or a band is over the cap.
    TiffBandReader(TIFF* tiff, const TiffFields& fields);

    uint32_t BandHeight() const { return bandHeight_; }
    // Bytes of one row: every sample of a pixel when chunky, one plane's when planar.
    size_t RowBytes() const { return rowBytes_; }

    // Decodes the band that starts at row `y` (a multiple of BandHeight) of sample plane
    // `plane` (0 when chunky). False when libtiff could not decode it; the band is then zero.
    bool ReadBand(uint32_t y, uint16_t plane);
    const uint8_t* Row(uint32_t rowInBand) const { return band_.data() + rowBytes_ * rowInBand; }

private:
    bool ReadStripBand(uint32_t y, uint16_t plane);
    bool ReadTileBand(uint32_t y, uint16_t plane);

    TIFF* tiff_;
    const TiffFields& fields_;
    uint32_t bandHeight_ = 0;
    size_t rowBytes_ = 0;
    size_t pixelBytes_ = 0;  // of one pixel within a row
    std::vector<uint8_t> band_;
    std::vector<uint8_t> tile_;
};

}  // namespace ThumbMetaLib
