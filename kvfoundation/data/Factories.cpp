#include "kvfoundation/data/Factories.h"

#include "kvfoundation/base/KVIllegalArgument.h"
#include "kvfoundation/base/KVNullPtr.h"
#include "kvfoundation/base/KVRefCountT.h"
#include "kvfoundation/data/Bool.h"
#include "kvfoundation/data/Data.h"
#include "kvfoundation/data/DataWrapper.h"
#include "kvfoundation/data/Double.h"
#include "kvfoundation/data/FixedMutableData.h"
#include "kvfoundation/data/Int.h"
#include "kvfoundation/data/List.h"
#include "kvfoundation/data/Map.h"
#include "kvfoundation/data/MutableData.h"
#include "kvfoundation/data/MutableList.h"
#include "kvfoundation/data/MutableMap.h"
#include "kvfoundation/data/MutableString.h"
#include "kvfoundation/data/Nil.h"
#include "kvfoundation/data/UTF16String.h"
#include "kvfoundation/data/UTF16Wrapper.h"
#include "kvfoundation/impl/KVLiteral.h"
#include "kvfoundation/util/IKVEncoding.h"
#include "kvfoundation/util/UTF8.h"

namespace kvfoundation::data {

namespace {

// Takes over a new reference and autoreleases it; if the pool cannot take it, the object is
// released rather than leaked.
template <class T>
T* AutoreleaseNew(T* object) {
    auto owned = base::KVRefCountT<T>::Adopt(object);
    owned->AutoRelease();
    return owned.Detach();
}

}  // namespace

IKVString* CreateString(const char16_t* units, int32_t length) {
    if (units == nullptr && length > 0) {
        throw base::KVNullPtr("units");
    }
    return AutoreleaseNew<IKVString>(UTF16String::Create(units, length));
}

IKVString* CreateStringFromBytes(const void* bytes, int32_t length, util::IKVEncoding* encoding) {
    if (length < 0) {
        throw base::KVIllegalArgument("length < 0");
    }
    if (bytes == nullptr && length > 0) {
        throw base::KVNullPtr("bytes");
    }
    if (encoding == nullptr) {
        throw base::KVNullPtr("encoding");
    }
    const auto* input = static_cast<const uint8_t*>(bytes);
    int32_t units = 0;
    if (encoding->Decode(input, length, nullptr, 0, &units) != length) {
        throw base::KVIllegalArgument("Unable to decode characters");
    }
    auto string = base::KVRefCountT<UTF16String>::Adopt(UTF16String::CreateUninitialized(units));
    int32_t produced = 0;
    if (encoding->Decode(input, length, string->MutableCharacters(), units, &produced) != length ||
        produced != units) {
        throw base::KVIllegalArgument("Unable to decode characters");
    }
    string->AutoRelease();
    return string.Detach();
}

IKVString* CreateStringFromUTF8(const char* bytes, int32_t length) {
    return CreateStringFromBytes(bytes, length, util::UTF8::Instance());
}

IKVString* Literal(const char* ascii) {
    return impl::KVLiteral::Intern(ascii);
}

IKVString* CreateStringWrapper(const char16_t* units, int32_t length) {
    return AutoreleaseNew<IKVString>(UTF16Wrapper::Create(units, length));
}

IKVMutableString* CreateMutableString(int32_t capacity) {
    return AutoreleaseNew<IKVMutableString>(MutableString::Create(capacity));
}

IKVNumber* CreateInt32(int32_t value) {
    return CreateInt64(value);
}

IKVNumber* CreateInt64(int64_t value) {
    if (Int* shared = Int::Shared(value)) {
        return shared;
    }
    return AutoreleaseNew<IKVNumber>(Int::Create(value));
}

IKVNumber* CreateDouble(double value) {
    if (value == 0.0) {
        return Int::Shared(0);
    }
    return AutoreleaseNew<IKVNumber>(Double::Create(value));
}

IKVBool* CreateBool(bool value) {
    return Bool::Get(value);
}

IKVNull* Null() {
    return Nil::Get();
}

IKVData* CreateData(const void* bytes, int32_t length) {
    return AutoreleaseNew<IKVData>(Data::Create(bytes, length));
}

IKVData* CreateDataWrapper(const void* bytes, int32_t length) {
    return AutoreleaseNew<IKVData>(DataWrapper::Create(bytes, length));
}

IKVMutableData* CreateMutableData(int32_t capacity) {
    if (capacity < 0) {
        throw base::KVIllegalArgument("length < 0");
    }
    if (capacity <= FixedMutableData::kMaxCapacity) {
        return AutoreleaseNew<IKVMutableData>(FixedMutableData::Create(capacity));
    }
    return AutoreleaseNew<IKVMutableData>(MutableData::Create(capacity));
}

IKVList* CreateList(int32_t count, base::IKVType* const* elements) {
    return AutoreleaseNew<IKVList>(List::Create(count, elements));
}

IKVMutableList* CreateMutableList(int32_t capacity) {
    return AutoreleaseNew<IKVMutableList>(MutableList::Create(capacity));
}

IKVMap* CreateMap(base::IKVType* const* keys, base::IKVType* const* values, int32_t count) {
    return AutoreleaseNew<IKVMap>(Map::Create(keys, values, count));
}

IKVMutableMap* CreateMutableMap(int32_t capacity) {
    return AutoreleaseNew<IKVMutableMap>(MutableMap::Create(capacity));
}

}  // namespace kvfoundation::data
