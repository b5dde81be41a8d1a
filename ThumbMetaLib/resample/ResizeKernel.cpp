#include "ThumbMetaLib/resample/ResizeKernel.h"

#include <algorithm>
#include <cmath>

#include "ThumbMetaLib/base/EngineException.h"

namespace ThumbMetaLib {
namespace {

// Per kind: the blur B and the Keys parameter a at unit and at quarter scale.
struct CubicConstants {
    double blur;
    double aUnit;
    double aQuarter;
};

CubicConstants ConstantsFor(int kind) {
    switch (kind) {
        case 2:
            return {1.0, -0.75, -0.75};
        case 3:
            return {1.15, -0.625, -1.0};
        case 4:
            return {1.05, -1.0, -2.2};
        default:
            throw EngineException("$$$/Loom/AlertText/Resize/BadKernel=Unknown resampling kernel.");
    }
}

constexpr double kUnitA = -0.75;

}  // namespace

ResizeKernel::ResizeKernel(int taps, int firstTap)
    : taps_(taps), firstTap_(firstTap), weights_(size_t(kPhases) * taps) {}

double ResizeKernel::Keys(double x, double a) {
    x = std::fabs(x);
    if (x < 1.0) {
        return ((a + 2.0) * x - (a + 3.0)) * x * x + 1.0;
    }
    if (x < 2.0) {
        return ((a * x - 5.0 * a) * x + 8.0 * a) * x - 4.0 * a;
    }
    return 0.0;
}

template <typename Sample>
std::shared_ptr<ResizeKernel> ResizeKernel::Sampled(int taps, int firstTap, Sample sample) {
    std::shared_ptr<ResizeKernel> kernel(new ResizeKernel(taps, firstTap));
    std::vector<double> row(taps);
    for (int p = 0; p < kPhases; ++p) {
        double sum = 0.0;
        for (int k = 0; k < taps; ++k) {
            row[k] = sample(firstTap + k, p);
            sum += row[k];
        }
        int16_t* weights = kernel->weights_.data() + size_t(p) * taps;
        for (int k = 0; k < taps; ++k) {
            weights[k] = static_cast<int16_t>(static_cast<int32_t>(row[k] / sum * kOne));
        }
    }
    return kernel;
}

std::shared_ptr<const ResizeKernel> ResizeKernel::Bilinear() {
    std::shared_ptr<ResizeKernel> kernel(new ResizeKernel(2, 0));
    for (int p = 0; p < kPhases; ++p) {
        kernel->weights_[size_t(p) * 2] = static_cast<int16_t>(kOne - 128 * p);
        kernel->weights_[size_t(p) * 2 + 1] = static_cast<int16_t>(128 * p);
    }
    return kernel;
}

std::shared_ptr<const ResizeKernel> ResizeKernel::CubicUnit() {
    // Taps at x = -1 - p/128, -p/128, 1 - p/128, 2 - p/128.
    return Sampled(4, -1, [](int j, int p) { return Keys(j - p / 128.0, kUnitA); });
}

std::shared_ptr<const ResizeKernel> ResizeKernel::CubicWidened(int kind, double s, double r) {
    const CubicConstants c = ConstantsFor(kind);
    const double t = std::max(s, 0.25) / c.blur;
    double a = c.aUnit;
    if (c.aUnit != c.aQuarter) {
        a = (1.0 - (std::max(r, 0.25) - 0.25) / 0.75) * (c.aQuarter - c.aUnit) + c.aUnit;
    }
    const bool narrow = std::ceil(4.0 / t) <= 10.0;
    const int taps = narrow ? 10 : 20;
    const int first = narrow ? -4 : -9;
    std::shared_ptr<ResizeKernel> kernel =
        Sampled(taps, first, [t, a](int j, int p) { return Keys((j - p / 128.0) * t, a); });
    kernel->Trim();
    return kernel;
}

void ResizeKernel::Trim() {
    int low = taps_;
    int high = -1;
    for (int p = 0; p < kPhases; ++p) {
        const int16_t* row = Row(p);
        for (int k = 0; k < taps_; ++k) {
            if (row[k] != 0) {
                low = std::min(low, k);
                high = std::max(high, k);
            }
        }
    }
    if (high < low) {
        return;  // cannot happen for a kernel that sums to 16384
    }
    if ((high - low + 1) % 2 != 0) {
        if (high < taps_ - 1) {
            ++high;
        } else {
            --low;
        }
    }
    const int kept = high - low + 1;
    if (kept >= taps_) {
        return;
    }
    std::vector<int16_t> compact(size_t(kPhases) * kept);
    for (int p = 0; p < kPhases; ++p) {
        std::copy_n(Row(p) + low, kept, compact.begin() + size_t(p) * kept);
    }
    weights_.swap(compact);
    firstTap_ += low;
    taps_ = kept;
}

}  // namespace ThumbMetaLib
