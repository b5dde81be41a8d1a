#pragma once

#include <tiffio.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace ThumbMetaLib {

// The fields of the current directory that decide how its pixels are read.
struct TiffFields {
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t samplesPerPixel = 1;
    uint16_t bitsPerSample = 1;
    uint16_t sampleFormat = SAMPLEFORMAT_UINT;
    uint16_t photometric = PHOTOMETRIC_MINISBLACK;
    uint16_t planarConfig = PLANARCONFIG_CONTIG;
    uint16_t compression = COMPRESSION_NONE;
    uint16_t extraSamples = 0;
    uint16_t inkSet = INKSET_CMYK;
    uint16_t orientation = ORIENTATION_TOPLEFT;
    bool tiled = false;
    uint32_t rowsPerStrip = 0;  // strips
    uint32_t tileWidth = 0;     // tiles
    uint32_t tileLength = 0;
    double resolution = 0;  // pixels per inch
    std::vector<uint8_t> iccProfile;

    uint16_t ColourSamples() const {
        return samplesPerPixel > extraSamples ? uint16_t(samplesPerPixel - extraSamples) : 0;
    }
    // Rows of one strip, or of one row of tiles, within the image.
    uint32_t BandRows() const {
        return std::clamp<uint32_t>(tiled ? tileLength : rowsPerStrip, 1, height);
    }
};

// Reads the fields of the directory libtiff is on; a missing required field (size) or a
// zero size throws TiffFormatError.
TiffFields ReadTiffFields(TIFF* tiff);

// The engine colour mode the file's photometric interpretation stands for.
int32_t TiffFileMode(const TiffFields& fields);

}  // namespace ThumbMetaLib
