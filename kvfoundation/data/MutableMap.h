#pragma once

#include "kvfoundation/data/IKVMutableMap.h"
#include "kvfoundation/data/MapT.h"

namespace kvfoundation::data {

// A map that can change.
class MutableMap final : public MapT<IKVMutableMap> {
public:
    // Owned by the caller (count 1). "maxCapacity < 0".
    static MutableMap* Create(int32_t capacity);

    // An immutable copy.
    IKVMap* Copy() const override;
    IKVMutableMap* AddIfAbsent(base::IKVType* key, base::IKVType* value) override;
    IKVMutableMap* ReplaceIfPresent(base::IKVType* key, base::IKVType* value) override;
    IKVMutableMap* SetObjectForKey(base::IKVType* key, base::IKVType* value) override;
    IKVMutableMap* RemoveObjectForKey(const base::IKVType* key) override;
    IKVMutableMap* RemoveAll() override;

private:
    explicit MutableMap(int32_t capacity) : MapT(capacity) {}
    ~MutableMap() override = default;
};

}  // namespace kvfoundation::data
