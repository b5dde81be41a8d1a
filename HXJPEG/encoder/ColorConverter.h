#pragma once

#include "HXJPEG.h"
#include "HXJPEG/encoder/ComponentBand.h"

namespace HXJPEG {

// Turns one band of input samples into the level-shifted sample rows of the components.
class ColorConverter {
public:
    virtual ~ColorConverter() = default;
    // `input` points at the band's first row; `out` holds one band per component.
    virtual void Convert(const HXJPEGImageContent& input, const BandWindow& window,
                         ComponentBand* out) = 0;
};

}  // namespace HXJPEG
