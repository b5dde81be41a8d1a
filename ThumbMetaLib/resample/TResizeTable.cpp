#include "ThumbMetaLib/resample/TResizeTable.h"

#include <algorithm>
#include <cmath>

namespace ThumbMetaLib {
namespace {

constexpr double kRebuildScaleChange = 0.01;

}  // namespace

TResizeTable::TResizeTable(int32_t kind, int32_t sourceLength, int32_t destinationLength)
    : kind_(kind),
      sourceLength_(sourceLength),
      destinationLength_(destinationLength),
      intermediateLength_(sourceLength) {}

TResizeTable::~TResizeTable() = default;

std::unique_ptr<TResizeTable> TResizeTable::Build(int32_t kind, int32_t sourceLength,
                                                  int32_t destinationLength) {
    if (sourceLength <= 0 || destinationLength <= 0 || sourceLength > kMaxLength ||
        destinationLength > kMaxLength) {
        return nullptr;
    }
    const int64_t S = sourceLength;
    const int64_t D = destinationLength;
    std::unique_ptr<TResizeTable> table(new TResizeTable(kind, sourceLength, destinationLength));
    // The spans 0..S and 0..D differ whenever the lengths do.
    table->filterFlag_ = (S != D || std::fabs(double(S) - double(D)) > 0.000001) ? 1 : 0;
    if (S == 1 || !table->filterFlag_ || kind == kNearest) {
        table->kind_ = kNearest;
        table->filterFlag_ = 0;
        table->BuildNearest();
        return table;
    }
    if (kind < kBilinear || kind > kCubicSharper) {
        table->kind_ = kind = kCubic;
    }
    const int64_t T = kind == kBilinear ? D : 4 * D;
    if (D == 1) {
        table->filterFlag_ = 0;
        table->BuildBoxes(1);
    } else if (double(D) / double(S) < 0.5 && S > T) {
        table->filterFlag_ = T != D ? 1 : 0;
        table->BuildBoxes(static_cast<int32_t>(T));
    }
    if (table->filterFlag_) {
        table->BuildConvolution();
    }
    return table;
}

void TResizeTable::BuildNearest() {
    const int32_t D = destinationLength_;
    index_.resize(D);
    phase_.assign(D, 0);
    for (int32_t i = 0; i < D; ++i) {
        const int64_t fixed = std::llround((i + 0.5) * sourceLength_ / D * 128.0);
        index_[i] =
            static_cast<int32_t>(std::clamp<int64_t>((fixed + 3) >> 7, 0, sourceLength_ - 1));
    }
}

void TResizeTable::BuildBoxes(int32_t boxes) {
    const int64_t S = sourceLength_;
    const int64_t T = boxes;
    boxFlag_ = 1;
    intermediateLength_ = boxes;
    boxStart_.resize(size_t(T) + 1);
    bool empty = false;
    for (int64_t j = 0; j <= T; ++j) {
        const double edge = std::floor(double(j) * double(S) / double(T));
        boxStart_[j] = static_cast<int32_t>(std::clamp<double>(edge, 0.0, double(S)));
        if (j > 0 && boxStart_[j] <= boxStart_[j - 1]) {
            empty = true;
        }
    }
    if (empty || boxStart_[T] != S) {
        // Rounding left a box empty: fall back to the exact integer partition.
        for (int64_t j = 0; j <= T; ++j) {
            boxStart_[j] = static_cast<int32_t>(S * j / T);
        }
    }
    boxCount_.resize(T);
    for (int64_t j = 0; j < T; ++j) {
        boxCount_[j] = boxStart_[j + 1] - boxStart_[j];
    }
    if (!filterFlag_) {
        // Box stage only: each output is one box.
        index_.assign(boxStart_.begin(), boxStart_.end() - 1);
        phase_.assign(T, 0);
    }
}

void TResizeTable::BuildConvolution() {
    const int32_t L = intermediateLength_;
    const int32_t D = destinationLength_;
    if (kind_ == kBilinear) {
        kernel_ = ResizeKernel::Bilinear();
    } else {
        const double s = double(D) / double(L);
        const double r = double(D) / double(sourceLength_);
        // A kernel starts as the unit kernel made for overall scale 1 and is widened only
        // when the overall scale differs from that by 0.01 or more.
        const bool widen = (kind_ == kCubic || kind_ == kCubicSharper) && s < 1.0 &&
                           std::fabs(r - 1.0) >= kRebuildScaleChange;
        kernel_ = widen ? ResizeKernel::CubicWidened(kind_, s, r) : ResizeKernel::CubicUnit();
    }
    index_.resize(D);
    phase_.resize(D);
    const int64_t last = int64_t(L - 1) * 128;
    for (int32_t i = 0; i < D; ++i) {
        const double position = (i + 0.5) / D * L - 0.5;
        const int64_t fixed = std::min<int64_t>(std::llround(position * 128.0), last);
        index_[i] = static_cast<int32_t>(std::max<int64_t>(fixed, 0) >> 7);
        phase_[i] = fixed < 1 ? 0 : static_cast<uint8_t>(fixed & 127);
    }
}

}  // namespace ThumbMetaLib
