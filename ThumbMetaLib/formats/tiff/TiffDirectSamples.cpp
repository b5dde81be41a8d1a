#include "ThumbMetaLib/formats/tiff/TiffDirectSamples.h"

#include <cmath>
#include <cstring>

#include "ThumbMetaLib/formats/tiff/TiffBandReader.h"
#include "ThumbMetaLib/formats/tiff/TiffFormatError.h"

namespace ThumbMetaLib {
namespace {

bool IsLab(uint16_t photometric) {
    return photometric == PHOTOMETRIC_CIELAB || photometric == PHOTOMETRIC_ICCLAB;
}

int32_t DirectMode(const TiffFields& f) {
    if (f.photometric == PHOTOMETRIC_SEPARATED) {
        return kModeCMYK;
    }
    if (IsLab(f.photometric)) {
        return kModeLab;
    }
    return f.photometric == PHOTOMETRIC_RGB ? kModeRGB : kModeGrayscale;
}

uint8_t From16(uint32_t v) {
    return uint8_t((v * 255 + 32767) / 65535);
}

// One sample of channel `c` as 8 bits in the engine's encoding.
uint8_t SampleTo8(const TiffFields& f, const uint8_t* p, int32_t c) {
    // CIELab (photometric 8) stores a* and b* signed; ICCLab stores them offset already.
    const bool signedAB = f.photometric == PHOTOMETRIC_CIELAB && c > 0;
    if (f.sampleFormat == SAMPLEFORMAT_IEEEFP) {
        float v;
        std::memcpy(&v, p, 4);
        return !(v > 0.0f) ? 0 : v >= 1.0f ? 255 : uint8_t(std::lround(v * 255.0f));
    }
    if (f.bitsPerSample == 16) {
        uint16_t v;
        std::memcpy(&v, p, 2);
        return From16(signedAB ? uint16_t(v ^ 0x8000) : v);
    }
    return signedAB ? uint8_t(*p ^ 0x80) : *p;
}

}  // namespace

bool UsesDirectSamples(const TiffFields& f) {
    const uint16_t colours = f.ColourSamples();
    if (f.sampleFormat == SAMPLEFORMAT_IEEEFP) {
        return f.bitsPerSample == 32 &&
               ((f.photometric == PHOTOMETRIC_MINISBLACK && colours >= 1) ||
                (f.photometric == PHOTOMETRIC_RGB && colours >= 3));
    }
    const bool wholeBytes = f.bitsPerSample == 8 || f.bitsPerSample == 16;
    if (f.photometric == PHOTOMETRIC_SEPARATED) {
        return wholeBytes && f.inkSet == INKSET_CMYK && colours >= 4;
    }
    return wholeBytes && IsLab(f.photometric) && colours >= 3;
}

PixelsPtr ReadDirectSamples(TIFF* tiff, const TiffFields& f, uint32_t& failedBands,
                            uint32_t& bands) {
    const int32_t mode = DirectMode(f);
    PixelsPtr pixels = Pixels::Create(f.width, f.height, 0, mode, kLayoutPlanar, true);
    if (!pixels || pixels->Bytes() == nullptr) {
        throw TiffFormatError("no memory for the image");
    }
    const int32_t channels = pixels->Channels();
    TiffBandReader reader(tiff, f);
    const bool planar = f.planarConfig == PLANARCONFIG_SEPARATE;
    const size_t sampleBytes = f.bitsPerSample / 8;
    const size_t pixelStep = planar ? sampleBytes : sampleBytes * f.samplesPerPixel;
    const uint16_t passes = planar ? uint16_t(channels) : 1;
    for (uint16_t pass = 0; pass < passes; ++pass) {
        for (uint32_t y = 0; y < f.height; y += reader.BandHeight()) {
            ++bands;
            const bool decoded = reader.ReadBand(y, pass);
            failedBands += decoded ? 0 : 1;
            const uint32_t rows = std::min(reader.BandHeight(), f.height - y);
            for (uint32_t r = 0; r < rows; ++r) {
                const uint8_t* row = reader.Row(r);
                const int32_t first = planar ? pass : 0;
                const int32_t last = planar ? pass + 1 : channels;
                for (int32_t c = first; c < last; ++c) {
                    uint8_t* out = pixels->Plane(c) + size_t{pixels->RowBytes()} * (y + r);
                    if (!decoded) {
                        // Undecodable rows stay white: no ink, full lightness, neutral a b.
                        const bool neutralAB = mode == kModeLab && c > 0;
                        std::memset(out, mode == kModeCMYK ? 0 : neutralAB ? 128 : 255, f.width);
                        continue;
                    }
                    const uint8_t* in = row + (planar ? 0 : sampleBytes * size_t(c));
                    for (uint32_t x = 0; x < f.width; ++x) {
                        out[x] = SampleTo8(f, in + pixelStep * x, c);
                    }
                }
            }
        }
    }
    return pixels;
}

}  // namespace ThumbMetaLib
