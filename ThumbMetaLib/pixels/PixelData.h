#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace ThumbMetaLib {

// The memory behind a Pixels buffer. Three kinds, each released the way it was obtained:
// a shared memory block (whoever owns it keeps it alive), a plain heap block, or a block from
// the large-allocation allocator (anonymous mappings, so big buffers go straight back to the
// system instead of fragmenting the heap).
class PixelData {
public:
    enum Kind : int32_t { kMemoryBlock = 0, kHeap = 1, kLarge = 2 };

    // Blocks at least this big come from the large-allocation allocator.
    static constexpr size_t kLargeThreshold = size_t{1} << 20;

    // Null when the memory cannot be had; callers treat that as "no pixels".
    static std::shared_ptr<PixelData> Allocate(size_t bytes);
    static std::shared_ptr<PixelData> Allocate(size_t bytes, Kind kind);
    // Shares a block someone else owns; `block` may be an aliasing pointer into a larger object.
    static std::shared_ptr<PixelData> FromBlock(std::shared_ptr<uint8_t> block, size_t bytes);

    ~PixelData();
    PixelData(const PixelData&) = delete;
    PixelData& operator=(const PixelData&) = delete;

    Kind GetKind() const { return kind_; }
    uint8_t* Bytes() const { return kind_ == kMemoryBlock ? block_.get() : raw_; }
    size_t Size() const { return size_; }

private:
    PixelData(Kind kind, uint8_t* raw, std::shared_ptr<uint8_t> block, size_t bytes);

    Kind kind_;
    uint8_t* raw_;                    // kinds 1 and 2
    std::shared_ptr<uint8_t> block_;  // kind 0: the block and the count that keeps it alive
    size_t size_;
};

}  // namespace ThumbMetaLib
