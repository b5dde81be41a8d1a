#include "kvfoundation/posix/PosixLocalAllocator.h"

#include <malloc.h>

#include <cstdlib>
#include <cstring>

#include "kvfoundation/base/KVOutOfMemory.h"
#include "kvfoundation/base/Singletons.h"

namespace kvfoundation::posix {

base::IKVAllocator* PosixLocalAllocator::Instance() {
    static std::atomic<base::IKVAllocator*> slot;
    return base::Singletons::GetOrCreate(
        slot, [] { return static_cast<base::IKVAllocator*>(new PosixLocalAllocator()); });
}

void* PosixLocalAllocator::Allocate(size_t size) {
    void* block = std::calloc(1, size == 0 ? 1 : size);
    if (block == nullptr) {
        throw base::KVOutOfMemory();
    }
    return block;
}

void PosixLocalAllocator::Free(void* pointer) {
    std::free(pointer);
}

void* PosixLocalAllocator::Reallocate(void* pointer, size_t size) {
    if (pointer == nullptr) {
        return Allocate(size);
    }
    size_t old = malloc_usable_size(pointer);
    void* block = std::realloc(pointer, size == 0 ? 1 : size);
    if (block == nullptr) {
        throw base::KVOutOfMemory();
    }
    // The bytes added read as zero, like the fixed zero-filling allocation.
    size_t now = malloc_usable_size(block);
    if (now > old) {
        std::memset(static_cast<uint8_t*>(block) + old, 0, now - old);
    }
    return block;
}

}  // namespace kvfoundation::posix
