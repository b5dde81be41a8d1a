#include "ThumbMetaLib/formats/tiff/TiffBandReader.h"

#include <algorithm>
#include <cstring>

#include "ThumbMetaLib/formats/tiff/TiffFormatError.h"

namespace ThumbMetaLib {

TiffBandReader::TiffBandReader(TIFF* tiff, const TiffFields& fields)
    : tiff_(tiff), fields_(fields) {
    if (fields.bitsPerSample % 8 != 0) {
        throw TiffFormatError("samples of " + std::to_string(fields.bitsPerSample) +
                              " bits are not read directly");
    }
    const bool planar = fields.planarConfig == PLANARCONFIG_SEPARATE;
    pixelBytes_ = size_t{fields.bitsPerSample} / 8 * (planar ? 1 : fields.samplesPerPixel);
    rowBytes_ = pixelBytes_ * fields.width;
    bandHeight_ = fields.BandRows();
    if (fields.tiled && (fields.tileWidth == 0 || fields.tileLength == 0)) {
        throw TiffFormatError("tiles without a size");
    }
    const uint64_t bandBytes = uint64_t{rowBytes_} * bandHeight_;
    const uint64_t tileBytes =
        fields.tiled ? uint64_t{fields.tileWidth} * fields.tileLength * pixelBytes_ : 0;
    if (bandBytes > kMaxBandBytes || tileBytes > kMaxBandBytes) {
        throw TiffFormatError("strips or tiles over the 256 MiB cap");
    }
    band_.resize(size_t(bandBytes));
    tile_.resize(size_t(tileBytes));
}

bool TiffBandReader::ReadBand(uint32_t y, uint16_t plane) {
    const bool ok = fields_.tiled ? ReadTileBand(y, plane) : ReadStripBand(y, plane);
    if (!ok) {
        // Damaged files fail band after band; a memset, as the fill loop it replaced took a
        // tenth of the fuzz target's time.
        std::memset(band_.data(), 0, band_.size());
    }
    return ok;
}

bool TiffBandReader::ReadStripBand(uint32_t y, uint16_t plane) {
    const uint32_t rows = std::min(bandHeight_, fields_.height - y);
    const tmsize_t wanted = tmsize_t(rowBytes_ * rows);
    const tmsize_t got =
        TIFFReadEncodedStrip(tiff_, TIFFComputeStrip(tiff_, y, plane), band_.data(), wanted);
    return got == wanted;
}

bool TiffBandReader::ReadTileBand(uint32_t y, uint16_t plane) {
    const uint32_t rows = std::min(bandHeight_, fields_.height - y);
    const size_t tileRowBytes = size_t{fields_.tileWidth} * pixelBytes_;
    for (uint32_t x = 0; x < fields_.width; x += fields_.tileWidth) {
        const tmsize_t got = TIFFReadEncodedTile(tiff_, TIFFComputeTile(tiff_, x, y, 0, plane),
                                                 tile_.data(), tmsize_t(tile_.size()));
        if (got != tmsize_t(tile_.size())) {
            return false;
        }
        const size_t columns = std::min(fields_.tileWidth, fields_.width - x);
        for (uint32_t r = 0; r < rows; ++r) {
            std::memcpy(band_.data() + rowBytes_ * r + pixelBytes_ * x,
                        tile_.data() + tileRowBytes * r, columns * pixelBytes_);
        }
    }
    return true;
}

}  // namespace ThumbMetaLib
