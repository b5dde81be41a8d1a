#include "kvfoundation/data/Map.h"

#include "kvfoundation/base/KVIllegalArgument.h"
#include "kvfoundation/base/KVNullPtr.h"
#include "kvfoundation/base/KVRefCountT.h"

namespace kvfoundation::data {

Map* Map::Create(base::IKVType* const* keys, base::IKVType* const* values, int32_t count) {
    if (count < 0) {
        throw base::KVIllegalArgument("count < 0");
    }
    if (count > 0 && (keys == nullptr || values == nullptr)) {
        throw base::KVNullPtr(keys == nullptr ? "keys" : "values");
    }
    auto map = base::KVRefCountT<Map>::Adopt(new Map(count));
    for (int32_t i = 0; i < count; ++i) {
        map->table_.Put(keys[i], values[i], impl::HashMap::PutMode::Always);
    }
    return map.Detach();
}

Map* Map::CreateFrom(const IKVMap* source) {
    if (source == nullptr) {
        throw base::KVNullPtr("source");
    }
    auto map = base::KVRefCountT<Map>::Adopt(new Map(source->Count()));
    IKVEntryIterator* entries = source->EntryIterator();
    while (entries->HasNext()) {
        base::IKVType* key = entries->Next();
        map->table_.Put(key, entries->Value(), impl::HashMap::PutMode::Always);
    }
    return map.Detach();
}

}  // namespace kvfoundation::data
