#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "HXJPEG/decoder/DecodeContentHandler.h"
#include "HXJPEG/encoder/CoefficientFrame.h"
#include "HXJPEG/encoder/DCTReader.h"
#include "HXJPEG/encoder/ZeroedBuffer.h"
#include "HXJPEG/rotate/RotateHelper.h"

namespace HXJPEG {

// Collects a file's quantised coefficient blocks from the decoder, turned into their place in
// the output image, and hands them to the encoder as its coefficient source. This class is
// the identity (transform 0); the subclasses turn.
class RotateContentHandler : public DefaultDecodeContentHandler, public DCTReader {
public:
    RotateContentHandler() = default;
    ~RotateContentHandler() override = default;

    void OnQuantTable(uint8_t precision, const uint16_t values[64], uint8_t tableNumber) override;
    void OnFrame(uint16_t width, uint16_t height, const FrameComponent* components,
                 uint8_t componentCount) override;
    void OnBlockNatural(const int16_t* natural, int component, int blockCount) override;
    int32_t QueryAfterFrame() override { return result_; }

    bool Read(int16_t* buffer, uint32_t count, uint32_t component) override;

    // The output frame with the tables as received (turned with the blocks when the transform
    // exchanges rows and columns). Valid after the frame event.
    const CoefficientFrame& OutputFrame() const { return frame_; }
    int32_t Result() const { return result_; }

protected:
    // One block in natural order -> the turned block in natural order.
    virtual void TransformBlock(const int16_t* in, int16_t* out) const;
    // Whether width and height (and H and V, and the tables' rows and columns) are exchanged.
    virtual bool Turns() const { return false; }
    // Whether the source size keeps the transform lossless.
    virtual bool SizeAllowed(uint32_t width, uint32_t height, uint32_t hmax, uint32_t vmax) const;
    virtual std::unique_ptr<RotateHelper> MakeHelper() const;

private:
    CoefficientFrame frame_;
    bool frameSeen_ = false;
    std::unique_ptr<RotateHelper> helpers_[4];
    ZeroedBuffer<int16_t> stores_[4];  // per output component: blocks in MCU order, zig-zag
    size_t readPositions_[4] = {};
    int32_t result_ = 0;
};

class ClockwiseRotateContentHandler final : public RotateContentHandler {
protected:
    void TransformBlock(const int16_t* in, int16_t* out) const override;
    bool Turns() const override { return true; }
    bool SizeAllowed(uint32_t width, uint32_t height, uint32_t hmax, uint32_t vmax) const override;
    std::unique_ptr<RotateHelper> MakeHelper() const override;
};

class FlipRotateContentHandler final : public RotateContentHandler {
protected:
    void TransformBlock(const int16_t* in, int16_t* out) const override;
    bool SizeAllowed(uint32_t width, uint32_t height, uint32_t hmax, uint32_t vmax) const override;
    std::unique_ptr<RotateHelper> MakeHelper() const override;
};

class AntiClockwiseRotateContentHandler final : public RotateContentHandler {
protected:
    void TransformBlock(const int16_t* in, int16_t* out) const override;
    bool Turns() const override { return true; }
    bool SizeAllowed(uint32_t width, uint32_t height, uint32_t hmax, uint32_t vmax) const override;
    std::unique_ptr<RotateHelper> MakeHelper() const override;
};

}  // namespace HXJPEG
