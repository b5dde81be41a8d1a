#include "ThumbMetaLib/formats/layered/SourceCursor.h"

#include <algorithm>
#include <cstring>

#include "ThumbMetaLib/formats/layered/LayeredFormatError.h"

namespace ThumbMetaLib {
namespace {

[[noreturn]] void EndsEarly() {
    throw LayeredFormatError("the file ends inside its stated data");
}

}  // namespace

uint64_t SourceCursor::Remaining() const {
    const uint64_t size = source_.Size();
    return position_ < size ? size - position_ : 0;
}

void SourceCursor::Skip(uint64_t count) {
    if (count > Remaining()) {
        EndsEarly();
    }
    position_ += count;
}

void SourceCursor::Read(void* buffer, size_t count) {
    if (count > Remaining()) {
        EndsEarly();
    }
    if (count == 0) {
        return;  // the rows of an empty layer come with no buffer at all (memcpy wants one)
    }
    auto* out = static_cast<uint8_t*>(buffer);
    const uint64_t bufferEnd = bufferStart_ + buffer_.size();
    if (position_ >= bufferStart_ && position_ + count <= bufferEnd) {
        std::memcpy(out, buffer_.data() + (position_ - bufferStart_), count);
        position_ += count;
        return;
    }
    if (count >= kBufferSize / 2) {
        if (!source_.ReadAt(position_, out, count)) {
            EndsEarly();
        }
        position_ += count;
        return;
    }
    const size_t fill = size_t(std::min<uint64_t>(kBufferSize, Remaining()));
    buffer_.resize(fill);
    if (!source_.ReadAt(position_, buffer_.data(), fill)) {
        buffer_.clear();
        EndsEarly();
    }
    bufferStart_ = position_;
    std::memcpy(out, buffer_.data(), count);
    position_ += count;
}

uint8_t SourceCursor::U8() {
    uint8_t b;
    Read(&b, 1);
    return b;
}

uint16_t SourceCursor::U16() {
    uint8_t b[2];
    Read(b, 2);
    return uint16_t(b[0] << 8 | b[1]);
}

uint32_t SourceCursor::U32() {
    uint8_t b[4];
    Read(b, 4);
    return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3];
}

uint64_t SourceCursor::U64() {
    const uint64_t high = U32();
    return high << 32 | U32();
}

}  // namespace ThumbMetaLib
