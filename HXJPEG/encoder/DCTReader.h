#pragma once

#include <cstdint>

namespace HXJPEG {

// Source of quantised coefficient blocks for an encode without the forward DCT (lossless
// transforms). Read copies the next `count` coefficients (zig-zag order) of `component`, in
// the frame's MCU order, and returns false when it has no more.
class DCTReader {
public:
    virtual bool Read(int16_t* buffer, uint32_t count, uint32_t component) = 0;
    virtual ~DCTReader() = default;
};

}  // namespace HXJPEG
