#include "kvfoundation/data/MutableData.h"

#include <cstdlib>
#include <cstring>

#include "kvfoundation/base/KVIllegalArgument.h"
#include "kvfoundation/base/KVNullPtr.h"
#include "kvfoundation/base/KVOutOfMemory.h"

namespace kvfoundation::data {

MutableData* MutableData::Create(int32_t capacity) {
    if (capacity < 0) {
        throw base::KVIllegalArgument("length < 0");
    }
    auto* data = new MutableData();
    try {
        data->Reserve(capacity);
    } catch (...) {
        data->Release();
        throw;
    }
    return data;
}

MutableData::~MutableData() {
    std::free(bytes_);
}

void MutableData::Reserve(int64_t length) {
    if (length <= capacity_) {
        return;
    }
    if (length > INT32_MAX) {
        throw base::KVOutOfMemory();
    }
    int64_t capacity = capacity_ == 0 ? length : capacity_;
    while (capacity < length) {
        capacity *= 2;
    }
    if (capacity > INT32_MAX) {
        capacity = INT32_MAX;
    }
    auto* grown = static_cast<uint8_t*>(std::realloc(bytes_, static_cast<size_t>(capacity)));
    if (grown == nullptr) {
        throw base::KVOutOfMemory();
    }
    bytes_ = grown;
    capacity_ = static_cast<int32_t>(capacity);
}

void MutableData::SetLength(int32_t newLength) {
    if (newLength < 0) {
        throw base::KVIllegalArgument("newLength < 0");
    }
    if (newLength > length_) {
        Reserve(newLength);
        std::memset(bytes_ + length_, 0, static_cast<size_t>(newLength - length_));
    }
    length_ = newLength;
}

void MutableData::IncreaseLength(int32_t extraLength) {
    if (extraLength < 0) {
        throw base::KVIllegalArgument("extraLength < 0");
    }
    if (extraLength > INT32_MAX - length_) {
        throw base::KVOutOfMemory();
    }
    SetLength(length_ + extraLength);
}

void MutableData::AppendBytes(const void* bytes, int32_t length) {
    if (length < 0) {
        throw base::KVIllegalArgument("length < 0");
    }
    if (bytes == nullptr && length > 0) {
        throw base::KVNullPtr("bytes");
    }
    if (length == 0) {
        return;
    }
    // The bytes may come from this buffer, which Reserve may move.
    const auto* source = static_cast<const uint8_t*>(bytes);
    bool inside = bytes_ != nullptr && source >= bytes_ && source < bytes_ + capacity_;
    size_t offset = inside ? static_cast<size_t>(source - bytes_) : 0;
    Reserve(int64_t{length_} + length);
    std::memmove(bytes_ + length_, inside ? bytes_ + offset : source, static_cast<size_t>(length));
    length_ += length;
}

}  // namespace kvfoundation::data
