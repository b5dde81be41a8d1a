#include "ThumbMetaLib/formats/tiff/TiffFields.h"

#include "ThumbMetaLib/formats/tiff/TiffFormatError.h"
#include "ThumbMetaLib/pixels/Pixels.h"

namespace ThumbMetaLib {
namespace {

constexpr double kCentimetresPerInch = 2.54;

}  // namespace

TiffFields ReadTiffFields(TIFF* tiff) {
    TiffFields f;
    if (TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &f.width) != 1 ||
        TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &f.height) != 1 || f.width == 0 || f.height == 0) {
        throw TiffFormatError("image without a size");
    }
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &f.samplesPerPixel);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &f.bitsPerSample);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLEFORMAT, &f.sampleFormat);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &f.planarConfig);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &f.compression);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_ORIENTATION, &f.orientation);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_INKSET, &f.inkSet);
    if (TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &f.photometric) != 1) {
        // The usual reading of files that leave it out.
        f.photometric = f.samplesPerPixel >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    }
    uint16_t* extraTypes = nullptr;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_EXTRASAMPLES, &f.extraSamples, &extraTypes);
    f.tiled = TIFFIsTiled(tiff) != 0;
    if (f.tiled) {
        TIFFGetField(tiff, TIFFTAG_TILEWIDTH, &f.tileWidth);
        TIFFGetField(tiff, TIFFTAG_TILELENGTH, &f.tileLength);
    } else {
        TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &f.rowsPerStrip);
    }
    float xResolution = 0;
    uint16_t unit = RESUNIT_INCH;
    if (TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &xResolution) == 1 && xResolution > 0) {
        TIFFGetFieldDefaulted(tiff, TIFFTAG_RESOLUTIONUNIT, &unit);
        f.resolution =
            unit == RESUNIT_CENTIMETER ? xResolution * kCentimetresPerInch : double(xResolution);
    }
    uint32_t iccSize = 0;
    void* icc = nullptr;
    if (TIFFGetField(tiff, TIFFTAG_ICCPROFILE, &iccSize, &icc) == 1 && icc != nullptr) {
        const auto* bytes = static_cast<const uint8_t*>(icc);
        f.iccProfile.assign(bytes, bytes + iccSize);
    }
    return f;
}

int32_t TiffFileMode(const TiffFields& fields) {
    switch (fields.photometric) {
        case PHOTOMETRIC_MINISWHITE:
        case PHOTOMETRIC_MINISBLACK:
            return fields.bitsPerSample == 1 ? kModeBitmap : kModeGrayscale;
        case PHOTOMETRIC_PALETTE:
            return kModeIndexed;
        case PHOTOMETRIC_SEPARATED:
            return fields.inkSet == INKSET_CMYK && fields.ColourSamples() >= 4 ? kModeCMYK
                                                                               : kModeMultichannel;
        case PHOTOMETRIC_CIELAB:
        case PHOTOMETRIC_ICCLAB:
        case PHOTOMETRIC_ITULAB:
            return kModeLab;
        default:
            return kModeRGB;
    }
}

}  // namespace ThumbMetaLib
