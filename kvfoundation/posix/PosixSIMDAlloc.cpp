#include "kvfoundation/posix/PosixSIMDAlloc.h"

#include <malloc.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "kvfoundation/base/KVOutOfMemory.h"
#include "kvfoundation/base/Singletons.h"

namespace kvfoundation::posix {

namespace {

constexpr size_t kAlignment = 16;

void* AlignedZeroed(size_t size) {
    // aligned_alloc wants a multiple of the alignment; 0 still gets a block of its own.
    size_t rounded = (size + kAlignment - 1) & ~(kAlignment - 1);
    if (rounded < size) {
        throw base::KVOutOfMemory();
    }
    void* block = std::aligned_alloc(kAlignment, rounded == 0 ? kAlignment : rounded);
    if (block == nullptr) {
        throw base::KVOutOfMemory();
    }
    std::memset(block, 0, rounded == 0 ? kAlignment : rounded);
    return block;
}

}  // namespace

base::IKVAllocator* PosixSIMDAlloc::Instance() {
    static std::atomic<base::IKVAllocator*> slot;
    return base::Singletons::GetOrCreate(
        slot, [] { return static_cast<base::IKVAllocator*>(new PosixSIMDAlloc()); });
}

void* PosixSIMDAlloc::Allocate(size_t size) {
    return AlignedZeroed(size);
}

void PosixSIMDAlloc::Free(void* pointer) {
    std::free(pointer);
}

void* PosixSIMDAlloc::Reallocate(void* pointer, size_t size) {
    void* block = AlignedZeroed(size);
    if (pointer != nullptr) {
        std::memcpy(block, pointer, std::min(size, malloc_usable_size(pointer)));
        std::free(pointer);
    }
    return block;
}

}  // namespace kvfoundation::posix
