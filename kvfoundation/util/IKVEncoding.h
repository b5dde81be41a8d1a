#pragma once

#include <cstdint>

#include "kvfoundation/base/IKVType.h"

namespace kvfoundation::util {

// A byte encoding of UTF-16 text (UTF8, ASCII). A null output buffer only measures; the
// buffer size is then ignored. Conversions stop early rather than write past the buffer or
// split a character, and report how far they got: a caller that sees fewer units or bytes
// consumed than it passed knows the rest did not convert.
class IKVEncoding : public base::IKVType {
public:
    // Converts up to `count` code units to bytes; a unit the encoding cannot represent becomes
    // `lossByte`, or ends the conversion when `lossByte` is 0. Returns the code units consumed
    // and sets *usedBytes (may be null) to the bytes produced.
    virtual std::int32_t Encode(const char16_t* units, std::int32_t count, std::uint8_t lossByte,
                                std::uint8_t* buffer, std::int32_t bufferSize,
                                std::int32_t* usedBytes) const = 0;
    // Converts up to `count` bytes to code units. Returns the bytes consumed and sets
    // *usedUnits (may be null) to the code units produced.
    virtual std::int32_t Decode(const std::uint8_t* bytes, std::int32_t count, char16_t* buffer,
                                std::int32_t bufferSize, std::int32_t* usedUnits) const = 0;
    // The most bytes that `count` code units can need (0 for a negative count).
    virtual std::int64_t MaxBytes(std::int32_t count) const = 0;
    // Bytes 0-127 stand for the same code units, so ASCII text passes unchanged.
    virtual bool IsAsciiCompatible() const = 0;
};

}  // namespace kvfoundation::util
