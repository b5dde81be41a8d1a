#include "kvfoundation/base/NullAlloc.h"

#include "kvfoundation/base/KVUnsupportedOperation.h"
#include "kvfoundation/base/Singletons.h"

namespace kvfoundation::base {

IKVAllocator* NullAlloc::Instance() {
    static std::atomic<IKVAllocator*> slot;
    return Singletons::GetOrCreate(slot,
                                   [] { return static_cast<IKVAllocator*>(new NullAlloc()); });
}

void* NullAlloc::Allocate(size_t) {
    throw KVUnsupportedOperation("kvfoundation::base::NullAlloc::Allocate");
}

void NullAlloc::Free(void*) {}

void* NullAlloc::Reallocate(void*, size_t) {
    throw KVUnsupportedOperation("kvfoundation::base::NullAlloc::Reallocate");
}

}  // namespace kvfoundation::base
