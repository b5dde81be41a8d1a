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
    // Very wide images read fewer rows at a time, whole strips or not.
    const uint64_t maxRows = std::max<uint64_t>(kMaxRasterBytes / (uint64_t{f.width} * 4), 1);
    return uint32_t(std::min<uint64_t>(f.BandRows(), maxRows));
}

// A premultiplied sample over white.
inline uint8_t OverWhite(uint32_t sample, uint32_t alpha) {
    return uint8_t(std::min<uint32_t>(sample + 255 - alpha, 255));
}

}  // namespace

int32_t RGBAReadMode(const TiffFields& f) {
    const bool gray =
        (f.photometric == PHOTOMETRIC_MINISBLACK || f.photometric == PHOTOMETRIC_MINISWHITE) &&
        f.ColourSamples() == 1;
    return gray ? kModeGrayscale : kModeRGB;
}

void ReadRGBARows(TIFF* tiff, const TiffFields& f, uint32_t first, uint32_t last,
                  BoxShrinker& shrinker, TiffBandCount& count) {
    RGBAImage image(tiff, f.orientation);
    const bool gray = RGBAReadMode(f) == kModeGrayscale;
    const uint32_t bandRows = BandRows(f);
    std::vector<uint32_t> raster(size_t{f.width} * bandRows);
    std::vector<uint8_t> planes(size_t{f.width} * 3);
    uint8_t* const red = planes.data();
    uint8_t* const green = red + f.width;
    uint8_t* const blue = green + f.width;
    ForEachBandRow(
        first, last, bandRows,
        [&](uint32_t start) {
            ++count.bands;
            if (!image.Get(start, raster.data(), f.width, std::min(bandRows, f.height - start))) {
                ++count.failed;
                std::fill(raster.begin(), raster.end(), 0xFFFFFFFFu);  // white
            }
        },
        [&](uint32_t y, uint32_t rowInBand) {
            const uint32_t* in = raster.data() + size_t{f.width} * rowInBand;
            for (uint32_t x = 0; x < f.width; ++x) {
                const uint32_t p = in[x];
                const uint32_t alpha = TIFFGetA(p);
                red[x] = OverWhite(TIFFGetR(p), alpha);
                green[x] = OverWhite(TIFFGetG(p), alpha);
                blue[x] = OverWhite(TIFFGetB(p), alpha);
            }
            shrinker.AddRow(y, 0, red, 1);
            if (!gray) {
                shrinker.AddRow(y, 1, green, 1);
                shrinker.AddRow(y, 2, blue, 1);
            }
        });
}

}  // namespace ThumbMetaLib
