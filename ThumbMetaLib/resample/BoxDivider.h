#pragma once

#include <cstdint>

namespace ThumbMetaLib {

// (sum + n / 2) / n without a division per sample: a multiply by ceil(2^40 / n) and a shift is
// exact while (sum + n / 2) * n < 2^40, which holds for 8-bit samples when n < 65536; longer
// boxes divide.
class BoxDivider {
public:
    explicit BoxDivider(uint32_t n)
        : n_(n), half_(n / 2), magic_(n < 65536 ? (uint64_t{1} << 40) / n + 1 : 0) {}

    uint32_t operator()(uint64_t sum) const {
        const uint64_t x = sum + half_;
        return magic_ != 0 ? uint32_t((x * magic_) >> 40) : uint32_t(x / n_);
    }

private:
    uint32_t n_;
    uint32_t half_;
    uint64_t magic_;
};

}  // namespace ThumbMetaLib
