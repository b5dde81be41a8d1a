#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace ThumbMetaLib {

// The fixed-layout header of a Scitex CT file.
struct ScitexHeader {
    static constexpr size_t kMinimumFileSize = 2048;
    static constexpr size_t kFieldsOffset = 1024;
    static constexpr size_t kImageOffset = 2048;
    // Units byte, separations byte, two skipped, two 14-character reals, two 12-character
    // integers.
    static constexpr size_t kFieldsLength = 4 + 2 * 14 + 2 * 12;
    static constexpr uint32_t kMaxPixelDimension = 30000;

    bool inches = false;  // else millimetres
    int32_t separations = 0;
    double heightUnits = 0;
    double widthUnits = 0;
    uint32_t height = 0;  // lines
    uint32_t width = 0;   // pixels per line
    // Pixels per inch of the larger pixel dimension, rounded half up; 0 outside 1 ... 9999.
    int32_t resolution = 0;

    // Bytes of one stored line of one separation: the width rounded up to even.
    size_t StoredLineBytes() const { return (size_t(width) + 1) & ~size_t{1}; }
};

// Parses the kFieldsLength bytes at kFieldsOffset; nullopt for a malformed header (a wrong
// character, digit, range or size).
std::optional<ScitexHeader> ParseScitexHeader(const uint8_t* fields, size_t length);

}  // namespace ThumbMetaLib
