#pragma once

#include "HXJPEG/encoder/ColorConverterRGB.h"

namespace HXJPEG {

// CMYK as YCCK: C, M and Y are inverted to R, G and B and go through the RGB transform, K is
// kept. The decoder's YCCK-to-CMYK path (APP14 transform 1) inverts this up to rounding.
class ColorConverterCMYK final : public ColorConverterRGB {
public:
    ColorConverterCMYK() : ColorConverterRGB(false) {}
    void Convert(const HXJPEGImageContent& input, const BandWindow& window,
                 ComponentBand* out) override;
};

}  // namespace HXJPEG
