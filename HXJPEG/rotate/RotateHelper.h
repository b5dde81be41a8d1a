#pragma once

#include <cstdint>

namespace HXJPEG {

// Where each block of one component goes: the source blocks arrive in decoding order (MCU by
// MCU, within an MCU row by row of H x V blocks) and Next returns the index, in the turned
// image's MCU order, of the block that takes the same place in the turned image.
// Init takes the OUTPUT component's factors and the OUTPUT image's MCU counts.
class RotateHelper {
public:
    virtual ~RotateHelper() = default;
    void Init(uint32_t h, uint32_t v, uint32_t mcusAcross, uint32_t mcusDown);
    uint32_t Next();

protected:
    // The source's block position (component block coordinates) -> the output's.
    virtual void Map(uint32_t x, uint32_t y, uint32_t& outX, uint32_t& outY) const = 0;
    // Whether the source's geometry is the output's with the axes exchanged.
    virtual bool Turns() const = 0;

    // Output geometry.
    uint32_t h_ = 1, v_ = 1, mcusAcross_ = 0, mcusDown_ = 0;
    // Source geometry, derived from the output's.
    uint32_t sourceH_ = 1, sourceV_ = 1, sourceMcusAcross_ = 0, sourceMcusDown_ = 0;
    uint32_t sourceBlocksAcross_ = 0, sourceBlocksDown_ = 0;

private:
    // Counters of the source walk: block within the MCU, then the MCU.
    uint32_t blockX_ = 0, blockY_ = 0, mcuX_ = 0, mcuY_ = 0;
};

class DefaultRotateHelper final : public RotateHelper {
    void Map(uint32_t x, uint32_t y, uint32_t& outX, uint32_t& outY) const override;
    bool Turns() const override { return false; }
};

class ClockwiseRotateHelper final : public RotateHelper {
    void Map(uint32_t x, uint32_t y, uint32_t& outX, uint32_t& outY) const override;
    bool Turns() const override { return true; }
};

class AntiClockwiseRotateHelper final : public RotateHelper {
    void Map(uint32_t x, uint32_t y, uint32_t& outX, uint32_t& outY) const override;
    bool Turns() const override { return true; }
};

class FlipRotateHelper final : public RotateHelper {
    void Map(uint32_t x, uint32_t y, uint32_t& outX, uint32_t& outY) const override;
    bool Turns() const override { return false; }
};

}  // namespace HXJPEG
