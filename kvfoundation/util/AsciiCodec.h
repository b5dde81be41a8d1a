#pragma once

#include <cstdint>

#include "kvfoundation/util/TextConversion.h"

namespace kvfoundation::util {

// Code units up to 127 become bytes; a larger one becomes `lossByte`, or ends the
// conversion when `lossByte` is 0. A null output only measures.
TextConversion AsciiEncode(const char16_t* units, std::int32_t count, std::uint8_t lossByte,
                           std::uint8_t* out, std::int32_t outSize);

// Every byte becomes one code unit of the same value. A null output only measures.
TextConversion AsciiDecode(const std::uint8_t* bytes, std::int32_t count, char16_t* out,
                           std::int32_t outSize);

}  // namespace kvfoundation::util
