#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ThumbMetaLib/pixels/Pixels.h"

namespace ThumbMetaLib {

// The integer factor a reader may shrink an image of `width` x `height` by while decoding when
// the engine fits the result into `size` x `size` afterwards: the shrunk image keeps at least
// twice `size` on its long side, so the engine's resampler still has detail to work with.
// 1 when `size` is 0 (the whole image is wanted).
uint32_t ShrinkFactorFor(uint32_t width, uint32_t height, uint32_t size);

// A length after shrinking by `factor`, the partial block at the end counting as a pixel.
inline uint32_t ShrunkLength(uint32_t length, uint32_t factor) {
    return (length + factor - 1) / factor;
}

// Reduces source rows into a planar 8-bit target as they are decoded: every `factor` x `factor`
// block of the source becomes the mean of its samples, so a reader never holds more than the
// band it is decoding. Rows of one channel must come in order; channels are independent, so a
// planar file may send all of one plane before the next. Two shrinkers may fill one target
// from disjoint row ranges when the ranges start at multiples of `factor`.
class BoxShrinker {
public:
    BoxShrinker(const Pixels& target, uint32_t factor, uint32_t sourceWidth, uint32_t sourceHeight);

    uint32_t Factor() const { return factor_; }

    // Adds source row `y` of channel `channel`, whose samples are `step` bytes apart.
    void AddRow(uint32_t y, int32_t channel, const uint8_t* samples, size_t step);

private:
    void Accumulate(uint32_t* sums, const uint8_t* samples, size_t step) const;
    void Flush(uint32_t y, int32_t channel);

    const Pixels& target_;
    uint32_t factor_;
    uint32_t sourceWidth_;
    uint32_t sourceHeight_;
    std::vector<std::vector<uint32_t>> sums_;  // one row of block sums per channel
};

}  // namespace ThumbMetaLib
