#include "HXJPEG/encoder/ZeroedBuffer.h"

#include <cstdlib>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace HXJPEG {
namespace {
constexpr size_t kMapThreshold = size_t{4} << 20;
}

template <typename T>
void ZeroedBuffer<T>::Assign(size_t count) {
    Release();
    if (count == 0) {
        return;
    }
    const size_t bytes = count * sizeof(T);
#if defined(__linux__)
    if (bytes >= kMapThreshold) {
        void* memory =
            mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (memory == MAP_FAILED) {
            throw std::bad_alloc();
        }
        madvise(memory, bytes, MADV_HUGEPAGE);  // advice only: failure changes nothing
        data_ = static_cast<T*>(memory);
        count_ = count;
        mapped_ = true;
        return;
    }
#endif
    data_ = static_cast<T*>(std::calloc(count, sizeof(T)));
    if (data_ == nullptr) {
        throw std::bad_alloc();
    }
    count_ = count;
    mapped_ = false;
}

template <typename T>
void ZeroedBuffer<T>::Release() {
    if (data_ != nullptr) {
#if defined(__linux__)
        if (mapped_) {
            munmap(data_, count_ * sizeof(T));
        } else {
            std::free(data_);
        }
#else
        std::free(data_);
#endif
    }
    data_ = nullptr;
    count_ = 0;
    mapped_ = false;
}

template class ZeroedBuffer<uint16_t>;
template class ZeroedBuffer<int16_t>;

}  // namespace HXJPEG
