#pragma once

#include <cstdint>

#include "HXJPEG/encoder/ColorConverter.h"
#include "HXJPEG/encoder/InterleavedRows.h"

namespace HXJPEG {

// RGB to level-shifted YCbCr in fixed point with 8 fractional bits, rounded to nearest, with
// the arithmetic of YCbCrArithmetic.h. With 2x2 luminance sampling each chroma sample is the
// rounded mean of its 2x2 group, so a flat group gives exactly the equal-sampling value.
class ColorConverterRGB : public ColorConverter {
public:
    // `subsampled`: luminance 2x2, chrominance 1x1.
    explicit ColorConverterRGB(bool subsampled) : subsampled_(subsampled) {}
    void Convert(const HXJPEGImageContent& input, const BandWindow& window,
                 ComponentBand* out) override;

protected:
    // Input channel values that stand for R, G and B (CMYK input passes inverted C, M, Y).
    struct Channels {
        const uint8_t* planes[3];
        bool inverted;
    };
    void ConvertEqual(const Channels& channels, const HXJPEGImageContent& input,
                      const BandWindow& window, ComponentBand* out);
    void ConvertSubsampled(const Channels& channels, const HXJPEGImageContent& input,
                           const BandWindow& window, ComponentBand* out);
    void ConvertChannels(const Channels& channels, const HXJPEGImageContent& input,
                         const BandWindow& window, ComponentBand* out) {
        if (subsampled_) {
            ConvertSubsampled(channels, input, window, out);
        } else {
            ConvertEqual(channels, input, window, out);
        }
    }

private:
    bool subsampled_;
    InterleavedLayout layout_;  // kept from call to call: its masks rarely change
};

}  // namespace HXJPEG
