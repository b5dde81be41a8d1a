#include "resize/AxisTables.h"

#include <algorithm>
#include <cmath>

#include "resize/ResizeKernels.h"

namespace resize {
namespace {

double Linear(double x) {
    x = std::fabs(x);
    return x < 1.0 ? 1.0 - x : 0.0;
}

// Keys cubic convolution with a = -0.5 (Catmull-Rom): interpolating, no overshoot on ramps.
double Cubic(double x) {
    constexpr double a = -0.5;
    x = std::fabs(x);
    if (x < 1.0) {
        return ((a + 2.0) * x - (a + 3.0)) * x * x + 1.0;
    }
    if (x < 2.0) {
        return ((a * x - 5.0 * a) * x + 8.0 * a) * x - 4.0 * a;
    }
    return 0.0;
}

// Weights of the source samples lo .. lo + n - 1 for one output, before normalisation.
void KernelWeights(int32_t interpolation, double center, double factor, int32_t lo,
                   std::vector<double>& w) {
    if (interpolation == kInterpolateSupersample) {
        // The output covers [start, end) in source coordinates; sample j covers [j, j + 1).
        const double start = (center + 0.5) - 0.5 / factor;
        const double end = start + 1.0 / factor;
        for (size_t j = 0; j < w.size(); ++j) {
            const double s = static_cast<double>(lo) + static_cast<double>(j);
            w[j] = std::max(0.0, std::min(end, s + 1.0) - std::max(start, s));
        }
        return;
    }
    const double widen = factor < 1.0 ? 1.0 / factor : 1.0;
    for (size_t j = 0; j < w.size(); ++j) {
        const double x = (static_cast<double>(lo) + static_cast<double>(j) - center) / widen;
        w[j] = interpolation == kInterpolateCubic ? Cubic(x) : Linear(x);
    }
}

double Support(int32_t interpolation, double factor) {
    const double widen = factor < 1.0 ? 1.0 / factor : 1.0;
    switch (interpolation) {
        case kInterpolateCubic:
            return 2.0 * widen;
        case kInterpolateSupersample:
            return 0.5 * widen + 1.0;
        default:
            return widen;
    }
}

// Rounds normalised weights to 14 bits so that they sum to exactly kWeightOne: the rounding
// residue goes to the largest weight, which keeps a constant image constant.
void Quantise(const std::vector<double>& w, double sum, int16_t* out) {
    int32_t total = 0;
    size_t largest = 0;
    for (size_t j = 0; j < w.size(); ++j) {
        const auto q = static_cast<int32_t>(std::lround(w[j] / sum * kWeightOne));
        out[j] = static_cast<int16_t>(q);
        total += q;
        if (std::fabs(w[j]) > std::fabs(w[largest])) {
            largest = j;
        }
    }
    out[largest] = static_cast<int16_t>(out[largest] + (kWeightOne - total));
}

int32_t ClampIndex(double position, int32_t length) {
    if (!(position > 0.0)) {
        return 0;
    }
    if (position >= static_cast<double>(length - 1)) {
        return length - 1;
    }
    return static_cast<int32_t>(position);
}

}  // namespace

FilterAxis BuildFilterAxis(int32_t srcLength, int32_t dstLength, double factor,
                           int32_t interpolation, int32_t padTapsTo) {
    const double support = Support(interpolation, factor);
    // Outputs keep only the samples inside the line, so no window is longer than the line.
    const auto window =
        static_cast<int32_t>(std::min<double>(srcLength, std::ceil(2.0 * support) + 1.0));
    const int32_t pad = std::max(padTapsTo, 1);
    FilterAxis axis;
    axis.taps = (window + pad - 1) / pad * pad;
    axis.first.resize(static_cast<size_t>(dstLength));
    axis.weights.assign(static_cast<size_t>(dstLength) * static_cast<size_t>(axis.taps), 0);

    std::vector<double> w;
    for (int32_t i = 0; i < dstLength; ++i) {
        const double center = (static_cast<double>(i) + 0.5) / factor - 0.5;
        auto lo = static_cast<int64_t>(std::floor(center - support)) + 1;
        auto hi = static_cast<int64_t>(std::ceil(center + support)) - 1;
        lo = std::max<int64_t>(lo, 0);
        hi = std::min<int64_t>(hi, srcLength - 1);
        hi = std::min<int64_t>(hi, lo + window - 1);
        double sum = 0.0;
        if (lo <= hi) {
            w.assign(static_cast<size_t>(hi - lo + 1), 0.0);
            KernelWeights(interpolation, center, factor, static_cast<int32_t>(lo), w);
            for (double v : w) {
                sum += v;
            }
        }
        if (!(sum > 1e-9)) {
            // Nothing of the kernel falls inside the line (the output lies beyond an edge): take
            // the nearest edge sample.
            lo = ClampIndex(std::floor(center + 0.5), srcLength);
            w.assign(1, 1.0);
            sum = 1.0;
        }
        // Shift the window left where needed so that first + real taps stays inside the line.
        const int32_t first = std::min(static_cast<int32_t>(lo), srcLength - window);
        axis.first[static_cast<size_t>(i)] = first;
        int16_t* row = &axis.weights[static_cast<size_t>(i) * static_cast<size_t>(axis.taps)];
        Quantise(w, sum, row + (lo - first));
    }
    return axis;
}

NearestAxis BuildNearestAxis(int32_t srcLength, int32_t dstLength, double factor) {
    NearestAxis axis;
    axis.index.resize(static_cast<size_t>(dstLength));
    for (int32_t i = 0; i < dstLength; ++i) {
        // The position is positive, so ClampIndex's truncation is the floor.
        axis.index[static_cast<size_t>(i)] =
            ClampIndex((static_cast<double>(i) + 0.5) / factor, srcLength);
    }
    return axis;
}

namespace {

// Four-byte pixels that need more loads per group than this are gathered faster one 32-bit
// load per pixel, without a plan.
constexpr int32_t kMaxGatherChunksOfPixels4 = 2;

// The plan for kBytesPerPixel-byte pixels (a constant, so that the many divisions by it are cheap).
template <int32_t kBytesPerPixel>
void BuildGatherPlan(NearestAxis& axis) {
    const int32_t* index = axis.index.data();
    const size_t rowBytes = axis.index.size() * kBytesPerPixel;
    if (rowBytes < 16) {
        return;
    }
    const size_t groups = rowBytes / 16;
    // Output bytes b0 .. b1 come from source bytes lowest(b0) .. highest(b1): whole pixels, since
    // an enlargement repeats a pixel and a later byte may then come from an earlier address.
    auto lowest = [&](size_t b) { return index[b / kBytesPerPixel] * kBytesPerPixel; };
    auto highest = [&](size_t b) { return lowest(b) + kBytesPerPixel - 1; };
    // Every group loads the same number of 16-byte chunks: enough for the widest group.
    int32_t widest = 0;
    for (size_t g = 0; g < groups; ++g) {
        widest = std::max(widest, highest(g * 16 + 15) - lowest(g * 16) + 1);
    }
    const int32_t chunks = std::max(1, (widest + 15) / 16);
    if (chunks > kMaxGatherChunks || (kBytesPerPixel == 4 && chunks > kMaxGatherChunksOfPixels4)) {
        return;
    }
    const int32_t window = 16 * chunks;
    axis.groupBase.assign(groups, -1);
    axis.masks.assign(groups * static_cast<size_t>(window), 0x80);
    size_t usable = 0;
    for (size_t g = 0; g < groups; ++g) {
        const size_t at = g * 16;
        // Near the row's end the window slides left so that it stays inside the readable bytes.
        const int64_t base = std::min<int64_t>(lowest(at), axis.readableBytes - window);
        if (base < 0) {
            continue;  // the row is shorter than a window
        }
        axis.groupBase[g] = static_cast<int32_t>(base);
        ++usable;
        uint8_t* mask = &axis.masks[g * static_cast<size_t>(window)];
        for (size_t k = 0; k < 16; ++k) {
            const auto offset =
                static_cast<size_t>(lowest(at + k) - base) + (at + k) % kBytesPerPixel;
            mask[(offset / 16) * 16 + k] = static_cast<uint8_t>(offset % 16);
        }
    }
    if (usable * 2 < groups) {
        axis.groupBase.clear();
        axis.masks.clear();
        return;
    }
    axis.chunks = chunks;
}

}  // namespace

void AddGatherPlan(NearestAxis& axis, int32_t bytesPerPixel, int64_t readableBytes) {
    axis.readableBytes = readableBytes;
    axis.chunks = 0;
    axis.groupBase.clear();
    axis.masks.clear();
    switch (bytesPerPixel) {
        case 1:
            BuildGatherPlan<1>(axis);
            break;
        case 3:
            BuildGatherPlan<3>(axis);
            break;
        case 4:
            BuildGatherPlan<4>(axis);
            break;
        default:
            break;  // no plan: the kernels gather pixel by pixel
    }
}

}  // namespace resize
