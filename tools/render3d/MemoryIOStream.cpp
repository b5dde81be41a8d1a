#include "tools/render3d/MemoryIOStream.h"

#include <algorithm>
#include <cstring>

namespace render3d {

size_t MemoryIOStream::Read(void* buffer, size_t size, size_t count) {
    if (size == 0 || count == 0) {
        return 0;
    }
    const size_t available = (bytes_.size() - position_) / size;
    const size_t items = std::min(count, available);
    std::memcpy(buffer, bytes_.data() + position_, items * size);
    position_ += items * size;
    return items;
}

aiReturn MemoryIOStream::Seek(size_t offset, aiOrigin origin) {
    size_t target = 0;
    switch (origin) {
        case aiOrigin_SET:
            target = offset;
            break;
        case aiOrigin_CUR:
            target = position_ + offset;
            break;
        case aiOrigin_END:
            target = bytes_.size() - std::min(offset, bytes_.size());
            break;
        default:
            return aiReturn_FAILURE;
    }
    if (target > bytes_.size()) {
        return aiReturn_FAILURE;
    }
    position_ = target;
    return aiReturn_SUCCESS;
}

}  // namespace render3d
