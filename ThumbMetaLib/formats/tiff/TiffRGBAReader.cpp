#include "ThumbMetaLib/formats/tiff/TiffRGBAReader.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "ThumbMetaLib/formats/tiff/TiffFormatError.h"

namespace ThumbMetaLib {
namespace {

constexpr uint64_t kMaxRasterBytes = uint64_t{64} << 20;

// libtiff's RGBA state, ended however the read ends.
class RGBAImage {
public:
    RGBAImage(TIFF* tiff, uint16_t orientation) {
        char message[1024] = {};
        if (TIFFRGBAImageOK(tiff, message) != 1 ||
            TIFFRGBAImageBegin(&image_, tiff, 1, message) != 1) {
            throw TiffFormatError(std::string("libtiff cannot read the pixels: ") + message);
        }
        begun_ = true;
        // The stored row order: the service applies the recorded orientation itself.
        image_.req_orientation =
            orientation <= ORIENTATION_BOTLEFT ? orientation : ORIENTATION_TOPLEFT;
    }
    ~RGBAImage() {
        if (begun_) {
            TIFFRGBAImageEnd(&image_);
        }
    }
    RGBAImage(const RGBAImage&) = delete;
    RGBAImage& operator=(const RGBAImage&) = delete;

    bool Get(uint32_t row, uint32_t* raster, uint32_t width, uint32_t rows) {
        image_.row_offset = int(row);
        image_.col_offset = 0;
        return TIFFRGBAImageGet(&image_, raster, width, rows) == 1;
    }

private:
    TIFFRGBAImage image_{};
    bool begun_ = false;
};

// One strip or one row of tiles at a time, so that a strip libtiff cannot decode costs only
// its own rows.
uint32_t BandRows(const TiffFields& f) {
    const uint32_t unit = std::max<uint32_t>(f.tiled ? f.tileLength : f.rowsPerStrip, 1);
    const uint32_t rows = std::min(unit, f.height);
    // Very wide images read fewer rows at a time, whole strips or not.
    const uint64_t maxRows = std::max<uint64_t>(kMaxRasterBytes / (uint64_t{f.width} * 4), 1);
    return uint32_t(std::min<uint64_t>(rows, maxRows));
}

// A premultiplied sample over white.
inline uint8_t OverWhite(uint32_t sample, uint32_t alpha) {
    return uint8_t(std::min<uint32_t>(sample + 255 - alpha, 255));
}

}  // namespace

PixelsPtr ReadRGBAImage(TIFF* tiff, const TiffFields& f, uint32_t& failedBands, uint32_t& bands) {
    RGBAImage image(tiff, f.orientation);
    const bool gray =
        (f.photometric == PHOTOMETRIC_MINISBLACK || f.photometric == PHOTOMETRIC_MINISWHITE) &&
        f.ColourSamples() == 1;
    PixelsPtr pixels =
        Pixels::Create(f.width, f.height, 0, gray ? kModeGrayscale : kModeRGB, kLayoutPlanar, true);
    if (!pixels || pixels->Bytes() == nullptr) {
        throw TiffFormatError("no memory for the image");
    }
    const uint32_t bandRows = BandRows(f);
    std::vector<uint32_t> raster(size_t{f.width} * bandRows);
    const int32_t planes = pixels->Channels();
    for (uint32_t y = 0; y < f.height; y += bandRows) {
        const uint32_t rows = std::min(bandRows, f.height - y);
        ++bands;
        if (!image.Get(y, raster.data(), f.width, rows)) {
            ++failedBands;
            std::fill(raster.begin(), raster.end(), 0xFFFFFFFFu);  // white
        }
        for (uint32_t r = 0; r < rows; ++r) {
            const uint32_t* in = raster.data() + size_t{f.width} * r;
            const size_t rowOffset = size_t{pixels->RowBytes()} * (y + r);
            for (int32_t c = 0; c < planes; ++c) {
                uint8_t* out = pixels->Plane(c) + rowOffset;
                for (uint32_t x = 0; x < f.width; ++x) {
                    const uint32_t p = in[x];
                    const uint32_t sample = c == 0   ? TIFFGetR(p)
                                            : c == 1 ? TIFFGetG(p)
                                                     : TIFFGetB(p);
                    out[x] = OverWhite(sample, TIFFGetA(p));
                }
            }
        }
    }
    return pixels;
}

}  // namespace ThumbMetaLib
