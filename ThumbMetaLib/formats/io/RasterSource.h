#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace ThumbMetaLib {

// Random read access to the bytes of an image file, for readers that walk offsets the file
// itself states: every read says whether it was satisfied, so a reader never trusts an offset
// it has not checked against Size().
class RasterSource {
public:
    virtual ~RasterSource() = default;

    virtual uint64_t Size() const = 0;
    // Reads exactly `count` bytes at `offset`; false when the data ends before.
    virtual bool ReadAt(uint64_t offset, void* buffer, size_t count) = 0;
};

// A file opened read-only. Null when it cannot be opened or is not a regular file.
std::unique_ptr<RasterSource> OpenFileRasterSource(const std::string& path);

// Bytes in memory, borrowed: they must outlive the source.
class MemoryRasterSource : public RasterSource {
public:
    MemoryRasterSource(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    uint64_t Size() const override { return size_; }
    bool ReadAt(uint64_t offset, void* buffer, size_t count) override;

private:
    const uint8_t* data_;
    size_t size_;
};

}  // namespace ThumbMetaLib
