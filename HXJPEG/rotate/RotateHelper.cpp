#include "HXJPEG/rotate/RotateHelper.h"

namespace HXJPEG {

void RotateHelper::Init(uint32_t h, uint32_t v, uint32_t mcusAcross, uint32_t mcusDown) {
    h_ = h;
    v_ = v;
    mcusAcross_ = mcusAcross;
    mcusDown_ = mcusDown;
    if (Turns()) {
        sourceH_ = v;
        sourceV_ = h;
        sourceMcusAcross_ = mcusDown;
        sourceMcusDown_ = mcusAcross;
    } else {
        sourceH_ = h;
        sourceV_ = v;
        sourceMcusAcross_ = mcusAcross;
        sourceMcusDown_ = mcusDown;
    }
    sourceBlocksAcross_ = sourceMcusAcross_ * sourceH_;
    sourceBlocksDown_ = sourceMcusDown_ * sourceV_;
    blockX_ = blockY_ = mcuX_ = mcuY_ = 0;
}

uint32_t RotateHelper::Next() {
    const uint32_t x = mcuX_ * sourceH_ + blockX_;
    const uint32_t y = mcuY_ * sourceV_ + blockY_;
    // Advance the source walk, wrapping at H, V and the MCU counts.
    if (++blockX_ == sourceH_) {
        blockX_ = 0;
        if (++blockY_ == sourceV_) {
            blockY_ = 0;
            if (++mcuX_ == sourceMcusAcross_) {
                mcuX_ = 0;
                ++mcuY_;
            }
        }
    }
    uint32_t outX = 0;
    uint32_t outY = 0;
    Map(x, y, outX, outY);
    const uint32_t mcu = (outY / v_) * mcusAcross_ + outX / h_;
    return (mcu * v_ + outY % v_) * h_ + outX % h_;
}

void DefaultRotateHelper::Map(uint32_t x, uint32_t y, uint32_t& outX, uint32_t& outY) const {
    outX = x;
    outY = y;
}

void ClockwiseRotateHelper::Map(uint32_t x, uint32_t y, uint32_t& outX, uint32_t& outY) const {
    outX = sourceBlocksDown_ - 1 - y;
    outY = x;
}

void AntiClockwiseRotateHelper::Map(uint32_t x, uint32_t y, uint32_t& outX, uint32_t& outY) const {
    outX = y;
    outY = sourceBlocksAcross_ - 1 - x;
}

void FlipRotateHelper::Map(uint32_t x, uint32_t y, uint32_t& outX, uint32_t& outY) const {
    outX = sourceBlocksAcross_ - 1 - x;
    outY = sourceBlocksDown_ - 1 - y;
}

}  // namespace HXJPEG
