#pragma once

#include <cstddef>
#include <cstdint>

namespace HXJPEG {

// A zero-filled block of T for whole-image stores. Large blocks come straight from the kernel
// (already zero, no fill pass) and ask for huge pages: first-touch page faults, not the
// arithmetic, otherwise dominate a whole-image encode of a large photo.
template <typename T>
class ZeroedBuffer {
public:
    ZeroedBuffer() = default;
    ~ZeroedBuffer() { Release(); }
    ZeroedBuffer(const ZeroedBuffer&) = delete;
    ZeroedBuffer& operator=(const ZeroedBuffer&) = delete;

    // Replaces the contents with `count` zeros; throws std::bad_alloc on failure.
    void Assign(size_t count);
    void Release();

    T* data() { return data_; }
    const T* data() const { return data_; }
    size_t size() const { return count_; }

private:
    T* data_ = nullptr;
    size_t count_ = 0;
    bool mapped_ = false;
};

extern template class ZeroedBuffer<uint16_t>;
extern template class ZeroedBuffer<int16_t>;

}  // namespace HXJPEG
