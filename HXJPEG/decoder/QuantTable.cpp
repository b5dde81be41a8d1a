#include "HXJPEG/decoder/QuantTable.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "HXJPEG/common/AANScale.h"

namespace HXJPEG {

void QuantTable::Set(const uint16_t naturalValues[64]) {
    for (int i = 0; i < 64; ++i) {
        float product = float(naturalValues[i]) * kAANScale[i >> 3] * kAANScale[i & 7];
        floatMultiplier[i] = product;
        plainMultiplier[i] = float(naturalValues[i]);
        // Only absurd 16-bit tables exceed the 32-bit range; they saturate.
        double scaled = std::floor(double(product) * 65536.0 + 0.5);
        intMultiplier[i] = int32_t(std::min(scaled, double(INT32_MAX)));
    }
    defined = true;
}

}  // namespace HXJPEG
