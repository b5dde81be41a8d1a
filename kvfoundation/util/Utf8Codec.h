#pragma once

#include <cstdint>

#include "kvfoundation/util/TextConversion.h"

namespace kvfoundation::util {

// UTF-16 <-> UTF-8 without any object machinery, so strings, the log and the serializer can
// convert on their own buffers. A null output only measures (its size is ignored). Input and
// output must not overlap.
//
// Encoding pairs a high surrogate with a following low surrogate; any other code unit,
// an unpaired surrogate included, is encoded on its own (3 bytes). It stops before a
// character that would not fit.
TextConversion Utf8Encode(const char16_t* units, std::int32_t count, std::uint8_t* out,
                          std::int32_t outSize);

// Decoding takes the lead byte's length (00-BF: 1, C0-DF: 2, E0-EF: 3, F0-F7: 4) and the
// trailing bytes without checking their form; values above U+10FFFF become U+FFFD. It stops
// before a sequence cut off by the end of input, at a lead byte F8-FF, and before a
// character that would not fit.
TextConversion Utf8Decode(const std::uint8_t* bytes, std::int32_t count, char16_t* out,
                          std::int32_t outSize);

// The most bytes `count` code units can need (3 per unit; a pair takes 4 of its 6).
constexpr std::int64_t Utf8MaxBytes(std::int32_t count) {
    return count > 0 ? std::int64_t{count} * 3 : 0;
}

}  // namespace kvfoundation::util
