#pragma once

#include <bit>
#include <cmath>
#include <cstdint>

// The byte layout of the wire format, free of any object machinery: type ids, big-endian
// words, padding and the arithmetic binary64 packing. The serializer, the fuzzer and the
// tests build on these.
namespace kvfoundation::io::wire {

enum TypeId : std::uint32_t {
    kNull = 0,
    kInt32 = 1,
    kBool = 2,
    kDouble = 3,
    kString = 4,
    kData = 5,
    kList = 6,
    kMap = 7,
    kInt64 = 8,
};
constexpr std::uint32_t kLastTypeId = kInt64;

inline void PutU32(std::uint8_t* out, std::uint32_t value) {
    out[0] = static_cast<std::uint8_t>(value >> 24);
    out[1] = static_cast<std::uint8_t>(value >> 16);
    out[2] = static_cast<std::uint8_t>(value >> 8);
    out[3] = static_cast<std::uint8_t>(value);
}

inline std::uint32_t GetU32(const std::uint8_t* in) {
    return (std::uint32_t{in[0]} << 24) | (std::uint32_t{in[1]} << 16) |
           (std::uint32_t{in[2]} << 8) | std::uint32_t{in[3]};
}

inline void PutU64(std::uint8_t* out, std::uint64_t value) {
    PutU32(out, static_cast<std::uint32_t>(value >> 32));
    PutU32(out + 4, static_cast<std::uint32_t>(value));
}

inline std::uint64_t GetU64(const std::uint8_t* in) {
    return (std::uint64_t{GetU32(in)} << 32) | GetU32(in + 4);
}

// A string or data body of `length` bytes occupies this many bytes on the wire.
constexpr std::int64_t PaddedLength(std::int64_t length) {
    return (length + 3) & ~std::int64_t{3};
}

// IEEE 754 binary64 built by arithmetic, so the wire layout does not depend on how the host
// stores doubles: zero of either sign is all zero bits; a finite normal value gets its sign,
// its exponent biased by 1023 and the 52 fraction bits of its normalised mantissa.
// Subnormals, infinities and NaN fall outside that scheme and travel with the host's own
// IEEE 754 bit pattern.
inline std::uint64_t PackBinary64(double value) {
    if (value == 0.0) {
        return 0;
    }
    if (!std::isnormal(value)) {
        return std::bit_cast<std::uint64_t>(value);
    }
    int exponent = 0;
    const double half = std::frexp(std::fabs(value), &exponent);  // |value| = half * 2^exponent
    const double fraction = half * 2.0 - 1.0;                     // mantissa 1.fraction
    const auto fractionBits = static_cast<std::uint64_t>(std::ldexp(fraction, 52));
    const auto biased = static_cast<std::uint64_t>(exponent - 1 + 1023);
    const std::uint64_t sign = std::signbit(value) ? std::uint64_t{1} << 63 : 0;
    return sign | (biased << 52) | fractionBits;
}

// The inverse of PackBinary64. All-zero bits give 0.0; the readers turn that into the
// integer 0, as the number factory does for every zero double.
inline double UnpackBinary64(std::uint64_t bits) {
    if (bits == 0) {
        return 0.0;
    }
    const auto biased = static_cast<int>((bits >> 52) & 0x7FF);
    if (biased == 0 || biased == 0x7FF) {
        return std::bit_cast<double>(bits);
    }
    const std::uint64_t fractionBits = bits & ((std::uint64_t{1} << 52) - 1);
    const double magnitude =
        std::ldexp(1.0 + std::ldexp(static_cast<double>(fractionBits), -52), biased - 1023);
    return (bits >> 63) != 0 ? -magnitude : magnitude;
}

}  // namespace kvfoundation::io::wire
