#include "kvfoundation/data/UTF16Wrapper.h"

#include "kvfoundation/base/KVIllegalArgument.h"
#include "kvfoundation/base/KVNullPtr.h"
#include "kvfoundation/data/UTF16String.h"

namespace kvfoundation::data {

namespace {
const char16_t kNoUnits[1] = {0};
}

UTF16Wrapper* UTF16Wrapper::Create(const char16_t* units, int32_t length) {
    if (length < 0) {
        throw base::KVIllegalArgument("length < 0");
    }
    if (units == nullptr && length > 0) {
        throw base::KVNullPtr("units");
    }
    return new UTF16Wrapper(units == nullptr ? kNoUnits : units, length);
}

IKVString* UTF16Wrapper::Copy() const {
    return UTF16String::Create(units_, length_);
}

}  // namespace kvfoundation::data
