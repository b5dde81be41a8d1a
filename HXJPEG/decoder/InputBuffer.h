#pragma once

#include <cstddef>
#include <cstdint>

#include "HXJPEG.h"

namespace HXJPEG {

// The decoder's 4096-byte window on the reader. Bytes in [pos, end) are buffered and unread.
class InputBuffer {
public:
    static constexpr size_t kSize = 4096;

    explicit InputBuffer(const HXJPEGReader& reader) : reader_(reader) {}
    InputBuffer(const InputBuffer&) = delete;
    InputBuffer& operator=(const InputBuffer&) = delete;

    // Reads a memory block in place instead of copying it through the reader: the same bytes in
    // the same order, without the copies (the block must outlive the decoder).
    void UseMemory(const uint8_t* memory, size_t size) {
        data = memory;
        pos = 0;
        end = size;
        readerEnded_ = true;
        direct_ = true;
    }

    size_t Available() const { return end - pos; }
    bool ReaderEnded() const { return readerEnded_; }

    // Makes at least n bytes available if the reader still has them (n <= kSize).
    bool Ensure(size_t n) {
        if (end - pos >= n) {
            return true;
        }
        return Refill(n);
    }
    // Reads n bytes into target: what is buffered, then straight from the reader.
    bool ReadInto(uint8_t* target, size_t n);
    // Skips n bytes: within the buffer, then through the reader's skip.
    bool Skip(size_t n);

    const uint8_t* data = buffer_;  // the window: the buffer, or the caller's memory
    size_t pos = 0;
    size_t end = 0;

private:
    bool Refill(size_t n);

    HXJPEGReader reader_;
    bool readerEnded_ = false;
    bool direct_ = false;
    uint8_t buffer_[kSize];
};

}  // namespace HXJPEG
