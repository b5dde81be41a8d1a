#include "ThumbMetaLib/formats/tiff/TiffImage.h"

#include <cmath>
#include <cstring>

#include "ThumbMetaLib/formats/io/BoxShrinker.h"
#include "ThumbMetaLib/formats/io/RasterLimits.h"
#include "ThumbMetaLib/formats/tiff/TiffDirectSamples.h"
#include "ThumbMetaLib/formats/tiff/TiffFields.h"
#include "ThumbMetaLib/formats/tiff/TiffFile.h"
#include "ThumbMetaLib/formats/tiff/TiffFormatError.h"
#include "ThumbMetaLib/formats/tiff/TiffRGBAReader.h"
#include "ThumbMetaLib/pixels/ModeNames.h"
#include "kvfoundation/util/ProcessLog.h"

namespace ThumbMetaLib {

bool LooksLikeTiff(const uint8_t* bytes, size_t size) {
    if (size < 4) {
        return false;
    }
    const bool little = bytes[0] == 'I' && bytes[1] == 'I' && bytes[3] == 0;
    const bool big = bytes[0] == 'M' && bytes[1] == 'M' && bytes[2] == 0;
    const uint8_t version = little ? bytes[2] : big ? bytes[3] : 0;
    return version == 42 || version == 43;
}

RasterImage ReadTiffImage(RasterSource& source, const std::string& name, uint32_t size) {
    TiffFile file(source, name);
    const TiffFields fields = ReadTiffFields(file.Handle());
    if (PlanarBytes(fields.width, fields.height, 4) > kMaxCompositeBytes) {
        throw TiffFormatError("image of " + std::to_string(fields.width) + " x " +
                              std::to_string(fields.height) + " exceeds the 1 GiB cap");
    }
    RasterImage image;
    image.fileMode = TiffFileMode(fields);
    image.bitsPerChannel = fields.bitsPerSample;
    image.resolution = fields.resolution;
    image.iccProfile = fields.iccProfile;
    const bool direct = UsesDirectSamples(fields);
    const uint32_t factor = ShrinkFactorFor(fields.width, fields.height, size);
    image.pixels = Pixels::Create(
        ShrunkLength(fields.width, factor), ShrunkLength(fields.height, factor), 0,
        direct ? DirectSampleMode(fields) : RGBAReadMode(fields), kLayoutPlanar, true);
    if (!image.pixels || image.pixels->Bytes() == nullptr) {
        throw TiffFormatError("no memory for the image");
    }
    const TiffBandCount count =
        ReadTiffRows(file, source, name, fields, *image.pixels, factor,
                     [&fields, direct](TIFF* tiff, uint32_t first, uint32_t last,
                                       BoxShrinker& shrinker, TiffBandCount& bands) {
                         direct ? ReadDirectRows(tiff, fields, first, last, shrinker, bands)
                                : ReadRGBARows(tiff, fields, first, last, shrinker, bands);
                     });
    if (count.failed == count.bands) {
        throw TiffFormatError("libtiff decoded none of the image");
    }
    if (count.failed > 0) {
        kvfoundation::util::LogFormat(2, "TIFF: %s: %u of %u bands undecodable, left white",
                                      name.c_str(), count.failed, count.bands);
    }
    return image;
}

bool ReadTiffInfo(RasterSource& source, const std::string& name, FBImageInfo& info) {
    try {
        TiffFile file(source, name);
        const TiffFields fields = ReadTiffFields(file.Handle());
        info.width = int32_t(std::min<uint32_t>(fields.width, INT32_MAX));
        info.height = int32_t(std::min<uint32_t>(fields.height, INT32_MAX));
        info.mode = TiffFileMode(fields);
        info.modeName = ModeName(info.mode);
        info.bitsPerChannel = fields.bitsPerSample;
        if (fields.resolution > 0) {
            info.resolution = int32_t(std::lround(std::min(fields.resolution, 1e6)));
        }
        return true;
    } catch (const TiffFormatError& error) {
        kvfoundation::util::LogFormat(1, "TIFF: %s: %s", name.c_str(), error.what());
        return false;
    }
}

std::string ReadTiffXMP(RasterSource& source, const std::string& name) {
    TiffFile file(source, name);
    uint32_t size = 0;
    void* data = nullptr;
    if (TIFFGetField(file.Handle(), TIFFTAG_XMLPACKET, &size, &data) != 1 || data == nullptr) {
        return {};
    }
    return std::string(static_cast<const char*>(data), size);
}

}  // namespace ThumbMetaLib
