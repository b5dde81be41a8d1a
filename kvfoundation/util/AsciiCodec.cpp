#include "kvfoundation/util/AsciiCodec.h"

#include <algorithm>

namespace kvfoundation::util {

TextConversion AsciiEncode(const char16_t* units, std::int32_t count, std::uint8_t lossByte,
                           std::uint8_t* out, std::int32_t outSize) {
    if (units == nullptr || count <= 0) {
        return {};
    }
    const std::int32_t limit = out == nullptr ? count : std::min(count, std::max(outSize, 0));
    std::int32_t i = 0;
    for (; i < limit; ++i) {
        std::uint8_t byte;
        if (units[i] < 0x80) {
            byte = static_cast<std::uint8_t>(units[i]);
        } else if (lossByte != 0) {
            byte = lossByte;
        } else {
            break;
        }
        if (out != nullptr) {
            out[i] = byte;
        }
    }
    return {i, i};
}

TextConversion AsciiDecode(const std::uint8_t* bytes, std::int32_t count, char16_t* out,
                           std::int32_t outSize) {
    if (bytes == nullptr || count <= 0) {
        return {};
    }
    if (out == nullptr) {
        return {count, count};
    }
    const std::int32_t n = std::min(count, std::max(outSize, 0));
    std::copy(bytes, bytes + n, out);
    return {n, n};
}

}  // namespace kvfoundation::util
