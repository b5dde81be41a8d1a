#include "kvfoundation/data/DataWrapper.h"

#include "kvfoundation/base/KVIllegalArgument.h"
#include "kvfoundation/base/KVNullPtr.h"

namespace kvfoundation::data {

DataWrapper* DataWrapper::Create(const void* bytes, int32_t length) {
    if (length < 0) {
        throw base::KVIllegalArgument("length < 0");
    }
    if (bytes == nullptr && length > 0) {
        throw base::KVNullPtr("bytes");
    }
    return new DataWrapper(static_cast<const uint8_t*>(bytes), length);
}

}  // namespace kvfoundation::data
