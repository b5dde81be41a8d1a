#pragma once

#include "kvfoundation/base/IKVAllocator.h"
#include "kvfoundation/base/KVObjectT.h"

namespace kvfoundation::posix {

// Whole pages from mmap (read-write, private, anonymous), returned with munmap. Used for the
// buffers of buffered channels. Each block carries a 16-byte header with its mapped size.
// Failure: the system error "mmap(size = %x) failed <%d: %@>". Reallocate is not offered.
class PosixVMAlloc final : public base::KVObjectT<base::IKVAllocator> {
public:
    static base::IKVAllocator* Instance();

    void* Allocate(size_t size) override;
    void Free(void* pointer) override;
    void* Reallocate(void* pointer, size_t size) override;
};

}  // namespace kvfoundation::posix
