#include "ThumbMetaLib/formats/tiff/TiffDirectSamples.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "ThumbMetaLib/formats/tiff/TiffBandReader.h"

namespace ThumbMetaLib {
namespace {

bool IsLab(uint16_t photometric) {
    return photometric == PHOTOMETRIC_CIELAB || photometric == PHOTOMETRIC_ICCLAB;
}

bool IsPlainEightBit(const TiffFields& f) {
    const bool gray = f.photometric == PHOTOMETRIC_MINISBLACK && f.samplesPerPixel == 1;
    const bool rgb = f.photometric == PHOTOMETRIC_RGB && f.samplesPerPixel == 3;
    // Old-style JPEG stays with libtiff's RGBA interface, which knows its colour quirks.
    return f.bitsPerSample == 8 && f.sampleFormat == SAMPLEFORMAT_UINT && f.extraSamples == 0 &&
           f.compression != COMPRESSION_OJPEG && (gray || rgb);
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

// What undecodable rows show: no ink, full lightness, neutral a and b.
uint8_t WhiteSample(int32_t mode, int32_t c) {
    if (mode == kModeCMYK) {
        return 0;
    }
    return mode == kModeLab && c > 0 ? 128 : 255;
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
    return (wholeBytes && IsLab(f.photometric) && colours >= 3) || IsPlainEightBit(f);
}

int32_t DirectSampleMode(const TiffFields& f) {
    if (f.photometric == PHOTOMETRIC_SEPARATED) {
        return kModeCMYK;
    }
    if (IsLab(f.photometric)) {
        return kModeLab;
    }
    return f.photometric == PHOTOMETRIC_RGB ? kModeRGB : kModeGrayscale;
}

void ReadDirectRows(TIFF* tiff, const TiffFields& f, uint32_t first, uint32_t last,
                    BoxShrinker& shrinker, TiffBandCount& count) {
    const int32_t mode = DirectSampleMode(f);
    const int32_t channels = Pixels::ChannelsForMode(mode);
    TiffBandReader reader(tiff, f);
    const bool planar = f.planarConfig == PLANARCONFIG_SEPARATE;
    const size_t sampleBytes = f.bitsPerSample / 8;
    const size_t pixelStep = planar ? sampleBytes : sampleBytes * f.samplesPerPixel;
    // 8-bit samples other than Lab's signed a and b are the engine's own already.
    const bool asStored = f.bitsPerSample == 8 && f.sampleFormat == SAMPLEFORMAT_UINT &&
                          f.photometric != PHOTOMETRIC_CIELAB;
    std::vector<uint8_t> converted(f.width);
    const uint16_t passes = planar ? uint16_t(channels) : 1;
    for (uint16_t pass = 0; pass < passes; ++pass) {
        bool decoded = false;
        const int32_t firstChannel = planar ? pass : 0;
        const int32_t lastChannel = planar ? pass + 1 : channels;
        ForEachBandRow(
            first, last, reader.BandHeight(),
            [&](uint32_t start) {
                ++count.bands;
                decoded = reader.ReadBand(start, pass);
                count.failed += decoded ? 0 : 1;
            },
            [&](uint32_t y, uint32_t rowInBand) {
                const uint8_t* row = reader.Row(rowInBand);
                for (int32_t c = firstChannel; c < lastChannel; ++c) {
                    if (!decoded) {
                        converted.assign(f.width, WhiteSample(mode, c));
                        shrinker.AddRow(y, c, converted.data(), 1);
                        continue;
                    }
                    const uint8_t* in = row + (planar ? 0 : sampleBytes * size_t(c));
                    if (asStored) {
                        shrinker.AddRow(y, c, in, pixelStep);
                        continue;
                    }
                    for (uint32_t x = 0; x < f.width; ++x) {
                        converted[x] = SampleTo8(f, in + pixelStep * x, c);
                    }
                    shrinker.AddRow(y, c, converted.data(), 1);
                }
            });
    }
}

}  // namespace ThumbMetaLib
