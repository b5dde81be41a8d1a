#pragma once

#include <cstdint>
#include <memory>

#include "HXJPEG.h"

namespace HXJPEG {

// Stages the encoder's output in a 64 KiB buffer so that the writer's `write` gets large
// blocks. Caller-owned blocks (metadata payloads) bypass the buffer: WriteThrough flushes what
// is staged and hands the block on unchanged, so bytes keep their order.
class JPEGOutputStream {
public:
    static constexpr uint32_t kBufferSize = 65536;

    explicit JPEGOutputStream(HXJPEGWriter writer);
    virtual ~JPEGOutputStream() = default;
    JPEGOutputStream(const JPEGOutputStream&) = delete;
    JPEGOutputStream& operator=(const JPEGOutputStream&) = delete;

    virtual void Flush();
    virtual void WriteThrough(const uint8_t* data, uint32_t count);

    void PutByte(uint8_t value) {
        if (used_ == kBufferSize) {
            Flush();
        }
        buffer_[used_++] = value;
    }
    void PutU16(uint16_t value) {
        PutByte(static_cast<uint8_t>(value >> 8));
        PutByte(static_cast<uint8_t>(value));
    }
    void PutMarker(uint8_t code) {
        PutByte(0xFF);
        PutByte(code);
    }
    void PutBytes(const uint8_t* data, uint32_t count);

    // Direct access for the bit writer: makes sure `count` bytes fit, then returns the free
    // space; Commit tells how many were filled.
    uint8_t* Reserve(uint32_t count) {
        if (kBufferSize - used_ < count) {
            Flush();
        }
        return buffer_.get() + used_;
    }
    void Commit(uint32_t count) { used_ += count; }

    void Finish();

private:
    HXJPEGWriter writer_;
    std::unique_ptr<uint8_t[]> buffer_;
    uint32_t used_ = 0;
};

}  // namespace HXJPEG
