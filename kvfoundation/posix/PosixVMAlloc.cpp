#include "kvfoundation/posix/PosixVMAlloc.h"

#include <sys/mman.h>

#include <cerrno>
#include <cstdint>

#include "kvfoundation/base/KVUnsupportedOperation.h"
#include "kvfoundation/base/Singletons.h"
#include "kvfoundation/system/SysErrors.h"
#include "kvfoundation/util/Format.h"

namespace kvfoundation::posix {

namespace {

// munmap needs the length: it is kept in front of the block, which stays 16-byte aligned.
constexpr size_t kHeader = 16;

}  // namespace

base::IKVAllocator* PosixVMAlloc::Instance() {
    static std::atomic<base::IKVAllocator*> slot;
    return base::Singletons::GetOrCreate(
        slot, [] { return static_cast<base::IKVAllocator*>(new PosixVMAlloc()); });
}

void* PosixVMAlloc::Allocate(size_t size) {
    if (size == 0) {
        size = 1;
    }
    size_t mapped = size + kHeader;
    void* region = mapped < size ? MAP_FAILED
                                 : mmap(nullptr, mapped, PROT_READ | PROT_WRITE,
                                        MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (region == MAP_FAILED) {
        int code = mapped < size ? ENOMEM : errno;
        system::ThrowSysError(
            code, util::Format("mmap(size = %x) failed <%d: %@>", static_cast<unsigned>(size), code,
                               system::ErrorText(code)));
    }
    *static_cast<size_t*>(region) = mapped;
    return static_cast<uint8_t*>(region) + kHeader;
}

void PosixVMAlloc::Free(void* pointer) {
    if (pointer == nullptr) {
        return;
    }
    void* region = static_cast<uint8_t*>(pointer) - kHeader;
    munmap(region, *static_cast<size_t*>(region));
}

void* PosixVMAlloc::Reallocate(void*, size_t) {
    throw base::KVUnsupportedOperation("kvfoundation::posix::PosixVMAlloc::Reallocate");
}

}  // namespace kvfoundation::posix
