#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "HXJPEG/common/FrameInfo.h"

namespace HXJPEG {

// The quantised coefficients of a multi-scan image: per component, blocks of 64 int16 in
// zig-zag order, blocks across x blocks down (whole MCUs), zeroed, 64-byte aligned. Owns its
// memory.
class CoefficientStore {
public:
    // Sizes the store for the frame. False (nothing allocated) when it would exceed
    // HXJPEG_MAX_COEFFICIENT_STORE_MB or memory runs out.
    bool Allocate(const FrameComponent* frame, int componentCount, int mcusAcross, int mcusDown);
    bool Allocated() const { return memory_ != nullptr; }

    int16_t* Block(int component, int blockX, int blockY) const {
        const Plane& p = planes_[component];
        return p.blocks + (size_t(blockY) * p.blocksAcross + blockX) * 64;
    }

private:
    struct Plane {
        int16_t* blocks = nullptr;
        int blocksAcross = 0;
    };
    struct AlignedFree {
        void operator()(void* memory) const;
    };
    std::unique_ptr<void, AlignedFree> memory_;
    Plane planes_[4];
};

}  // namespace HXJPEG
