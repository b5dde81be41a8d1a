#include "HXJPEG/decoder/InputBuffer.h"

#include <cstring>

namespace HXJPEG {

bool InputBuffer::Refill(size_t n) {
    if (direct_) {
        return end - pos >= n;
    }
    if (pos > 0) {
        std::memmove(buffer_, buffer_ + pos, end - pos);
        end -= pos;
        pos = 0;
    }
    while (!readerEnded_ && end < kSize) {
        uint32_t got = 0;
        bool more = reader_.read != nullptr &&
                    reader_.read(reader_.userData, buffer_ + end, uint32_t(kSize - end), &got);
        if (got > kSize - end) {
            got = 0;  // a reader that claims more than it was given room for is not trusted
            more = false;
        }
        end += got;
        if (!more) {
            readerEnded_ = true;
        }
        if (got == 0 && more) {
            break;  // no progress: try again on the next request rather than spin
        }
    }
    return end - pos >= n;
}

bool InputBuffer::ReadInto(uint8_t* target, size_t n) {
    size_t buffered = end - pos;
    if (buffered >= n) {
        std::memcpy(target, data + pos, n);
        pos += n;
        return true;
    }
    std::memcpy(target, data + pos, buffered);
    pos = end;
    size_t done = buffered;
    while (done < n) {
        if (readerEnded_ || reader_.read == nullptr) {
            return false;
        }
        uint32_t got = 0;
        bool more = reader_.read(reader_.userData, target + done, uint32_t(n - done), &got);
        if (got > n - done) {
            got = 0;
            more = false;
        }
        done += got;
        if (!more) {
            readerEnded_ = true;
        } else if (got == 0) {
            return false;
        }
    }
    return true;
}

bool InputBuffer::Skip(size_t n) {
    size_t buffered = end - pos;
    if (buffered >= n) {
        pos += n;
        return true;
    }
    size_t rest = n - buffered;
    if (direct_) {
        pos = end;
        return false;
    }
    pos = end = 0;
    if (readerEnded_ || reader_.skip == nullptr) {
        return false;
    }
    return reader_.skip(reader_.userData, uint32_t(rest));
}

}  // namespace HXJPEG
