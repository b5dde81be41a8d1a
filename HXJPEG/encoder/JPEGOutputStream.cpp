#include "HXJPEG/encoder/JPEGOutputStream.h"

#include <algorithm>
#include <cstring>

namespace HXJPEG {

JPEGOutputStream::JPEGOutputStream(HXJPEGWriter writer)
    : writer_(writer), buffer_(new uint8_t[kBufferSize]) {}

void JPEGOutputStream::Flush() {
    if (used_ != 0 && writer_.write != nullptr) {
        writer_.write(writer_.userData, buffer_.get(), used_, 0);
    }
    used_ = 0;
}

void JPEGOutputStream::WriteThrough(const uint8_t* data, uint32_t count) {
    Flush();
    if (count != 0 && writer_.write != nullptr) {
        writer_.write(writer_.userData, data, count, 0);
    }
}

void JPEGOutputStream::PutBytes(const uint8_t* data, uint32_t count) {
    while (count != 0) {
        if (used_ == kBufferSize) {
            Flush();
        }
        const uint32_t chunk = std::min(count, kBufferSize - used_);
        std::memcpy(buffer_.get() + used_, data, chunk);
        used_ += chunk;
        data += chunk;
        count -= chunk;
    }
}

void JPEGOutputStream::Finish() {
    Flush();
    if (writer_.finish != nullptr) {
        writer_.finish(writer_.userData);
    }
}

}  // namespace HXJPEG
