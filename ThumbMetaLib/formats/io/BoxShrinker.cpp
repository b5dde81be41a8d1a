#include "ThumbMetaLib/formats/io/BoxShrinker.h"

#include <algorithm>
#include <cstring>

namespace ThumbMetaLib {

uint32_t ShrinkFactorFor(uint32_t width, uint32_t height, uint32_t size) {
    if (size == 0) {
        return 1;
    }
    return std::max<uint32_t>(1, std::max(width, height) / (uint64_t{size} * 2));
}

BoxShrinker::BoxShrinker(const Pixels& target, uint32_t factor, uint32_t sourceWidth,
                         uint32_t sourceHeight)
    : target_(target),
      factor_(std::max<uint32_t>(factor, 1)),
      sourceWidth_(sourceWidth),
      sourceHeight_(sourceHeight) {
    if (factor_ > 1) {
        sums_.assign(size_t(target.Channels()), std::vector<uint32_t>(target.Width(), 0));
    }
}

void BoxShrinker::AddRow(uint32_t y, int32_t channel, const uint8_t* samples, size_t step) {
    if (y >= sourceHeight_ || channel < 0 || channel >= target_.Channels()) {
        return;
    }
    if (factor_ == 1) {
        uint8_t* out = target_.Plane(channel) + size_t{target_.RowBytes()} * y;
        if (step == 1) {
            std::memcpy(out, samples, sourceWidth_);
            return;
        }
        for (uint32_t x = 0; x < sourceWidth_; ++x) {
            out[x] = samples[step * x];
        }
        return;
    }
    Accumulate(sums_[size_t(channel)].data(), samples, step);
    if (y % factor_ == factor_ - 1 || y == sourceHeight_ - 1) {
        Flush(y, channel);
    }
}

void BoxShrinker::Accumulate(uint32_t* sums, const uint8_t* samples, size_t step) const {
    const uint32_t whole = sourceWidth_ / factor_;
    const uint8_t* s = samples;
    for (uint32_t block = 0; block < whole; ++block) {
        uint32_t total = 0;
        for (uint32_t i = 0; i < factor_; ++i, s += step) {
            total += *s;
        }
        sums[block] += total;
    }
    uint32_t rest = 0;
    for (uint32_t x = whole * factor_; x < sourceWidth_; ++x, s += step) {
        rest += *s;
    }
    if (whole * factor_ < sourceWidth_) {
        sums[whole] += rest;
    }
}

void BoxShrinker::Flush(uint32_t y, int32_t channel) {
    uint32_t* sums = sums_[size_t(channel)].data();
    const uint32_t rows = y % factor_ + 1;
    uint8_t* out = target_.Plane(channel) + size_t{target_.RowBytes()} * (y / factor_);
    for (uint32_t block = 0; block < target_.Width(); ++block) {
        const uint32_t columns = std::min(factor_, sourceWidth_ - block * factor_);
        const uint32_t count = rows * columns;
        out[block] = uint8_t((sums[block] + count / 2) / count);
        sums[block] = 0;
    }
}

}  // namespace ThumbMetaLib
