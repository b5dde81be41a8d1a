#pragma once

#include <cstddef>
#include <cstdint>

namespace ThumbMetaLib {

// Decodes one PackBits row (Apple TN1023: n < 128 copies n + 1 literal bytes, n > 128 repeats
// the next byte 257 - n times, 128 is a no-op) into exactly `outSize` bytes. False when the
// input ends before the row is full; a run that overshoots the row is cut at its end.
bool UnpackBitsRow(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize);

// The most bytes PackBits can take for a row of `rowBytes` (one header per 128 literals).
inline size_t MaxPackedRowBytes(size_t rowBytes) {
    return rowBytes + (rowBytes + 127) / 128;
}

}  // namespace ThumbMetaLib
