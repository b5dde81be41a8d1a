#include "kvfoundation/data/MutableMap.h"

#include "kvfoundation/base/KVIllegalArgument.h"
#include "kvfoundation/data/Map.h"

namespace kvfoundation::data {

MutableMap* MutableMap::Create(int32_t capacity) {
    if (capacity < 0) {
        throw base::KVIllegalArgument("maxCapacity < 0");
    }
    return new MutableMap(capacity);
}

IKVMap* MutableMap::Copy() const {
    return Map::CreateFrom(this);
}

IKVMutableMap* MutableMap::AddIfAbsent(base::IKVType* key, base::IKVType* value) {
    table_.Put(key, value, impl::HashMap::PutMode::IfAbsent);
    return this;
}

IKVMutableMap* MutableMap::ReplaceIfPresent(base::IKVType* key, base::IKVType* value) {
    table_.Put(key, value, impl::HashMap::PutMode::IfPresent);
    return this;
}

IKVMutableMap* MutableMap::SetObjectForKey(base::IKVType* key, base::IKVType* value) {
    table_.Put(key, value, impl::HashMap::PutMode::Always);
    return this;
}

IKVMutableMap* MutableMap::RemoveObjectForKey(const base::IKVType* key) {
    table_.Remove(key);
    return this;
}

IKVMutableMap* MutableMap::RemoveAll() {
    table_.RemoveAll();
    return this;
}

}  // namespace kvfoundation::data
