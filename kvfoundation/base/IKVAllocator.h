#pragma once

#include <cstddef>

#include "kvfoundation/base/IKVType.h"

namespace kvfoundation::base {

// Pluggable source of buffer memory. Each allocator class has one shared instance
// (Instance(), made through the singleton registry).
class IKVAllocator : public IKVType {
public:
    virtual void* Allocate(size_t size) = 0;
    virtual void Free(void* pointer) = 0;
    virtual void* Reallocate(void* pointer, size_t size) = 0;
};

}  // namespace kvfoundation::base
