#include "HXJPEG/encoder/EncoderQuantTable.h"

#include <cmath>

#include "HXJPEG/common/AANScale.h"

namespace HXJPEG {

void EncoderQuantTable::Set(const uint16_t naturalValues[64]) {
    for (int row = 0; row < 8; ++row) {
        for (int column = 0; column < 8; ++column) {
            const int index = row * 8 + column;
            const uint16_t q = naturalValues[index] == 0 ? 1 : naturalValues[index];
            values[index] = naturalValues[index];
            const double divisor = static_cast<double>(kAANScale[row]) *
                                   static_cast<double>(kAANScale[column]) * 8.0 * q;
            divisors[index] = static_cast<float>(divisor);
            reciprocals[index] = static_cast<int32_t>(std::floor(65536.0 / divisors[index] + 0.5));
            transposedReciprocals[column * 8 + row] = reciprocals[index];
        }
    }
    reciprocalsFit16 = true;
    for (int i = 0; i < 64; ++i) {
        reciprocalsFit16 = reciprocalsFit16 && transposedReciprocals[i] <= 0xFFFF;
        transposedReciprocals16[i] = static_cast<uint16_t>(transposedReciprocals[i]);
    }
    defined = true;
}

bool EncoderQuantTable::NeedsSixteenBits() const {
    for (uint16_t value : values) {
        if (value > 255) {
            return true;
        }
    }
    return false;
}

}  // namespace HXJPEG
