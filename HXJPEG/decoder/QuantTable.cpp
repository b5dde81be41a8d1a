#include "HXJPEG/decoder/QuantTable.h"

#include <cmath>

#include "HXJPEG/common/AANScale.h"

namespace HXJPEG {

void QuantTable::Set(const uint16_t naturalValues[64]) {
    for (int i = 0; i < 64; ++i) {
        float product = float(naturalValues[i]) * kAANScale[i >> 3] * kAANScale[i & 7];
        floatMultiplier[i] = product;
        intMultiplier[i] = int32_t(std::floor(double(product) * 65536.0 + 0.5));
    }
    defined = true;
}

}  // namespace HXJPEG
