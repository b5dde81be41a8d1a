#include "kvfoundation/data/Data.h"

#include <cstring>
#include <new>

#include "kvfoundation/base/KVIllegalArgument.h"
#include "kvfoundation/base/KVNullPtr.h"
#include "kvfoundation/base/KVOutOfMemory.h"

namespace kvfoundation::data {

Data* Data::Create(const void* bytes, int32_t length) {
    if (length < 0) {
        throw base::KVIllegalArgument("length < 0");
    }
    if (bytes == nullptr && length > 0) {
        throw base::KVNullPtr("bytes");
    }
    void* memory = ::operator new(sizeof(Data) + static_cast<size_t>(length), std::nothrow);
    if (memory == nullptr) {
        throw base::KVOutOfMemory();
    }
    auto* data = new (memory) Data(length);
    if (length > 0) {
        std::memcpy(reinterpret_cast<uint8_t*>(data + 1), bytes, static_cast<size_t>(length));
    }
    return data;
}

}  // namespace kvfoundation::data
