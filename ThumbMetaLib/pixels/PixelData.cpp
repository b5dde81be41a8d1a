#include "ThumbMetaLib/pixels/PixelData.h"

#include <sys/mman.h>

#include <cstdlib>
#include <new>

namespace ThumbMetaLib {

PixelData::PixelData(Kind kind, uint8_t* raw, std::shared_ptr<uint8_t> block, size_t bytes)
    : kind_(kind), raw_(raw), block_(std::move(block)), size_(bytes) {}

PixelData::~PixelData() {
    if (kind_ == kHeap) {
        std::free(raw_);
    } else if (kind_ == kLarge) {
        munmap(raw_, size_);
    }
}

std::shared_ptr<PixelData> PixelData::Allocate(size_t bytes) {
    return Allocate(bytes, bytes >= kLargeThreshold ? kLarge : kHeap);
}

std::shared_ptr<PixelData> PixelData::Allocate(size_t bytes, Kind kind) {
    if (bytes == 0) {
        bytes = 1;  // a valid, distinct pointer even for an empty image
    }
    uint8_t* raw = nullptr;
    if (kind == kLarge) {
        void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) {
            return nullptr;
        }
        raw = static_cast<uint8_t*>(p);
    } else if (kind == kHeap) {
        raw = static_cast<uint8_t*>(std::malloc(bytes));
        if (raw == nullptr) {
            return nullptr;
        }
    } else {
        std::shared_ptr<uint8_t> block(new (std::nothrow) uint8_t[bytes],
                                       std::default_delete<uint8_t[]>());
        if (!block) {
            return nullptr;
        }
        return FromBlock(std::move(block), bytes);
    }
    std::shared_ptr<PixelData> data(new (std::nothrow) PixelData(kind, raw, nullptr, bytes));
    if (!data) {
        // The wrapper itself could not be had: give the block back the way it came.
        PixelData release(kind, raw, nullptr, bytes);
    }
    return data;
}

std::shared_ptr<PixelData> PixelData::FromBlock(std::shared_ptr<uint8_t> block, size_t bytes) {
    if (!block) {
        return nullptr;
    }
    return std::shared_ptr<PixelData>(
        new PixelData(kMemoryBlock, nullptr, std::move(block), bytes));
}

}  // namespace ThumbMetaLib
