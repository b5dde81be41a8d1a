#pragma once

#include "kvfoundation/base/IKVAllocator.h"
#include "kvfoundation/base/KVObjectT.h"

namespace kvfoundation::posix {

// Heap blocks aligned to 16 bytes and filled with zeros (aligned_alloc). Reallocate keeps the
// alignment and zero-fills what it adds. Failure: KVOutOfMemory.
class PosixSIMDAlloc final : public base::KVObjectT<base::IKVAllocator> {
public:
    static base::IKVAllocator* Instance();

    void* Allocate(size_t size) override;
    void Free(void* pointer) override;
    void* Reallocate(void* pointer, size_t size) override;
};

}  // namespace kvfoundation::posix
