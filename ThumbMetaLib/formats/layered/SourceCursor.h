#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ThumbMetaLib/formats/io/RasterSource.h"

namespace ThumbMetaLib {

// Big-endian reads at a moving position of a RasterSource, buffered for the long sequential
// runs of image data. Every read past the end of the file throws LayeredFormatError.
class SourceCursor {
public:
    SourceCursor(RasterSource& source, uint64_t position) : source_(source), position_(position) {}

    uint64_t Position() const { return position_; }
    void Seek(uint64_t position) { position_ = position; }
    uint64_t FileSize() const { return source_.Size(); }
    // Bytes between the position and the end of the file (0 when past it).
    uint64_t Remaining() const;
    // Moves on by `count` bytes, which must lie within the file.
    void Skip(uint64_t count);

    void Read(void* buffer, size_t count);
    uint8_t U8();
    uint16_t U16();
    uint32_t U32();
    uint64_t U64();
    int16_t S16() { return int16_t(U16()); }
    int32_t S32() { return int32_t(U32()); }
    // A section length: 32 bits in documents of version 1, 64 bits in large documents.
    uint64_t Length(bool large) { return large ? U64() : U32(); }

private:
    static constexpr size_t kBufferSize = size_t{256} << 10;

    RasterSource& source_;
    uint64_t position_;
    std::vector<uint8_t> buffer_;
    uint64_t bufferStart_ = 0;  // file offset of buffer_[0]
};

}  // namespace ThumbMetaLib
