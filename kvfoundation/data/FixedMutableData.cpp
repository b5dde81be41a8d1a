#include "kvfoundation/data/FixedMutableData.h"

#include <cstring>
#include <new>

#include "kvfoundation/base/KVIllegalArgument.h"
#include "kvfoundation/base/KVNullPtr.h"
#include "kvfoundation/base/KVOutOfRange.h"
#include "kvfoundation/posix/PosixSIMDAlloc.h"

namespace kvfoundation::data {

FixedMutableData* FixedMutableData::Create(int32_t capacity) {
    if (capacity < 0) {
        throw base::KVIllegalArgument("length < 0");
    }
    if (capacity > kMaxCapacity) {
        throw base::KVIllegalArgument("capacity > 65535");
    }
    void* memory = posix::PosixSIMDAlloc::Instance()->Allocate(sizeof(FixedMutableData) +
                                                               static_cast<size_t>(capacity));
    return new (memory) FixedMutableData(static_cast<uint16_t>(capacity));
}

void FixedMutableData::operator delete(void* pointer) {
    posix::PosixSIMDAlloc::Instance()->Free(pointer);
}

void FixedMutableData::SetLength(int32_t newLength) {
    if (newLength < 0) {
        throw base::KVIllegalArgument("newLength < 0");
    }
    if (newLength > capacity_) {
        throw base::KVOutOfRange(newLength, 0, capacity_);
    }
    if (newLength > length_) {
        std::memset(MutableBytes() + length_, 0, static_cast<size_t>(newLength - length_));
    }
    length_ = static_cast<uint16_t>(newLength);
}

void FixedMutableData::IncreaseLength(int32_t extraLength) {
    if (extraLength < 0) {
        throw base::KVIllegalArgument("extraLength < 0");
    }
    if (extraLength > capacity_ - length_) {
        throw base::KVOutOfRange(length_ + extraLength, 0, capacity_);
    }
    SetLength(length_ + extraLength);
}

void FixedMutableData::AppendBytes(const void* bytes, int32_t length) {
    if (length < 0) {
        throw base::KVIllegalArgument("length < 0");
    }
    if (bytes == nullptr && length > 0) {
        throw base::KVNullPtr("bytes");
    }
    if (length > capacity_ - length_) {
        throw base::KVOutOfRange(length_ + length, 0, capacity_);
    }
    if (length > 0) {
        std::memmove(MutableBytes() + length_, bytes, static_cast<size_t>(length));
    }
    length_ = static_cast<uint16_t>(length_ + length);
}

}  // namespace kvfoundation::data
