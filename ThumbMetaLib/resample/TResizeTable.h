#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "ThumbMetaLib/resample/ResizeKernel.h"

namespace ThumbMetaLib {

// How one axis of one pass maps source samples to destination samples: an optional box
// pre-reduction (contiguous boxes averaged) followed by an optional convolution with a
// fixed-point kernel at 7-bit phases; nearest sampling when neither applies.
class TResizeTable {
public:
    enum Kind : int32_t {
        kNearest = 0,
        kBilinear = 1,
        kCubic = 2,
        kCubicSharp = 3,
        kCubicSharper = 4,
    };

    // Longest line: box sums of 8-bit samples stay within 32 bits.
    static constexpr int32_t kMaxLength = 1 << 24;

    // Null when a length is not positive or above kMaxLength. Unknown kinds count as kCubic.
    static std::unique_ptr<TResizeTable> Build(int32_t kind, int32_t sourceLength,
                                               int32_t destinationLength);
    virtual ~TResizeTable();

    int32_t KernelKind() const { return kind_; }
    const ResizeKernel* Kernel() const { return kernel_.get(); }
    int32_t SourceLength() const { return sourceLength_; }
    int32_t DestinationLength() const { return destinationLength_; }
    // Samples after the box stage; the source length when there is none.
    int32_t IntermediateLength() const { return intermediateLength_; }
    bool HasBox() const { return boxFlag_ != 0; }
    bool HasFilter() const { return filterFlag_ != 0; }
    // Nearest sampling: no box and no convolution; Index() gives the source sample.
    bool IsNearest() const { return !HasBox() && !HasFilter(); }

    // Per destination sample: first (intermediate) sample used, and the phase 0-127.
    const std::vector<int32_t>& Index() const { return index_; }
    const std::vector<uint8_t>& Phase() const { return phase_; }
    // Per intermediate sample: how many source samples its box averages.
    const std::vector<int32_t>& BoxCount() const { return boxCount_; }
    // Start of each box in the source (one more entry than boxes: the end of the last).
    const std::vector<int32_t>& BoxStart() const { return boxStart_; }

private:
    TResizeTable(int32_t kind, int32_t sourceLength, int32_t destinationLength);
    void BuildNearest();
    void BuildBoxes(int32_t boxes);
    void BuildConvolution();

    int32_t kind_;
    std::shared_ptr<const ResizeKernel> kernel_;
    int32_t sourceLength_;
    int32_t destinationLength_;
    int32_t intermediateLength_;
    std::vector<int32_t> index_;
    std::vector<uint8_t> phase_;
    std::vector<int32_t> boxCount_;
    std::vector<int32_t> boxStart_;
    uint8_t boxFlag_ = 0;
    uint8_t filterFlag_ = 0;
};

}  // namespace ThumbMetaLib
