#pragma once

#include "kvfoundation/base/IKVAllocator.h"
#include "kvfoundation/base/KVObjectT.h"

namespace kvfoundation::base {

// The C runtime heap. Failure with a non-zero size raises KVOutOfMemory; Reallocate to size 0
// frees and returns null.
class Malloc final : public KVObjectT<IKVAllocator> {
public:
    static IKVAllocator* Instance();

    void* Allocate(size_t size) override;
    void Free(void* pointer) override;
    void* Reallocate(void* pointer, size_t size) override;
};

}  // namespace kvfoundation::base
