#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace ThumbMetaLib {

// A fixed-point weight table: 128 rows, one per phase p (the fraction p/128), of Taps()
// signed weights with 14 fractional bits. Each row sums to 16384 within truncation.
// Tap k of a row weighs the input sample index + FirstTap() + k.
class ResizeKernel {
public:
    static constexpr int kPhases = 128;
    static constexpr int kOne = 16384;

    // Kernel kinds of TResizeTable: 1 bilinear, 2-4 cubic (Keys) variants.
    static std::shared_ptr<const ResizeKernel> Bilinear();
    // The 4-tap cubic with a = -0.75 used when no widening is wanted.
    static std::shared_ptr<const ResizeKernel> CubicUnit();
    // The cubic of `kind` (2, 3 or 4) widened for the remaining scale `s` < 1, with its
    // sharpness interpolated by the overall scale `r`. Throws EngineException for other kinds.
    static std::shared_ptr<const ResizeKernel> CubicWidened(int kind, double s, double r);

    // Keys' cubic convolution kernel with parameter a.
    static double Keys(double x, double a);

    int Taps() const { return taps_; }
    int FirstTap() const { return firstTap_; }
    const int16_t* Row(int phase) const { return weights_.data() + size_t(phase) * taps_; }

private:
    ResizeKernel(int taps, int firstTap);
    // Rows from kernel samples: divided by their sum, times 16384, truncated.
    template <typename Sample>
    static std::shared_ptr<ResizeKernel> Sampled(int taps, int firstTap, Sample sample);
    // Drops taps that are zero in every phase, keeping an even count.
    void Trim();

    int taps_;
    int firstTap_;
    std::vector<int16_t> weights_;
};

}  // namespace ThumbMetaLib
