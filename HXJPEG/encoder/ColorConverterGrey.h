#pragma once

#include "HXJPEG/encoder/ColorConverter.h"

namespace HXJPEG {

// One channel, copied with the level shift.
class ColorConverterGrey final : public ColorConverter {
public:
    void Convert(const HXJPEGImageContent& input, const BandWindow& window,
                 ComponentBand* out) override;
};

}  // namespace HXJPEG
