#pragma once

#include "kvfoundation/base/IKVAllocator.h"
#include "kvfoundation/base/KVObjectT.h"

namespace kvfoundation::base {

// Refuses to allocate (KVUnsupportedOperation naming the operation); Free does nothing.
class NullAlloc final : public KVObjectT<IKVAllocator> {
public:
    static IKVAllocator* Instance();

    void* Allocate(size_t size) override;
    void Free(void* pointer) override;
    void* Reallocate(void* pointer, size_t size) override;
};

}  // namespace kvfoundation::base
