#include "ThumbMetaLib/formats/layered/PackBits.h"

#include <algorithm>
#include <cstring>

namespace ThumbMetaLib {

bool UnpackBitsRow(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize) {
    size_t i = 0;
    size_t o = 0;
    while (o < outSize) {
        if (i >= inSize) {
            return false;
        }
        const uint8_t n = in[i++];
        if (n < 128) {
            const size_t literal = size_t{n} + 1;
            if (literal > inSize - i) {
                return false;
            }
            const size_t take = std::min(literal, outSize - o);
            std::memcpy(out + o, in + i, take);
            i += literal;
            o += take;
        } else if (n > 128) {
            if (i >= inSize) {
                return false;
            }
            const size_t take = std::min<size_t>(257 - n, outSize - o);
            std::memset(out + o, in[i++], take);
            o += take;
        }
    }
    return true;
}

}  // namespace ThumbMetaLib
