#include "kvfoundation/base/Malloc.h"

#include <cstdlib>

#include "kvfoundation/base/KVOutOfMemory.h"
#include "kvfoundation/base/Singletons.h"

namespace kvfoundation::base {

IKVAllocator* Malloc::Instance() {
    static std::atomic<IKVAllocator*> slot;
    return Singletons::GetOrCreate(slot, [] { return static_cast<IKVAllocator*>(new Malloc()); });
}

void* Malloc::Allocate(size_t size) {
    void* block = std::malloc(size);
    if (block == nullptr && size != 0) {
        throw KVOutOfMemory();
    }
    return block;
}

void Malloc::Free(void* pointer) {
    std::free(pointer);
}

void* Malloc::Reallocate(void* pointer, size_t size) {
    if (size == 0) {
        std::free(pointer);
        return nullptr;
    }
    void* block = std::realloc(pointer, size);
    if (block == nullptr) {
        throw KVOutOfMemory();
    }
    return block;
}

}  // namespace kvfoundation::base
