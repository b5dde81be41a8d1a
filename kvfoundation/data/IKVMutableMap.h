#pragma once

#include "kvfoundation/data/IKVMap.h"

namespace kvfoundation::data {

// A map that can change. Null keys or values raise KVNullPtr. Keys that implement
// util::IKVCloning (every string) are stored as a Copy, others retained; values are retained.
// Every operation returns the map so calls can be chained.
class IKVMutableMap : public IKVMap {
public:
    // Stores only when the key is absent.
    virtual IKVMutableMap* AddIfAbsent(base::IKVType* key, base::IKVType* value) = 0;
    // Replaces only when the key is present.
    virtual IKVMutableMap* ReplaceIfPresent(base::IKVType* key, base::IKVType* value) = 0;
    virtual IKVMutableMap* SetObjectForKey(base::IKVType* key, base::IKVType* value) = 0;
    virtual IKVMutableMap* RemoveObjectForKey(const base::IKVType* key) = 0;
    virtual IKVMutableMap* RemoveAll() = 0;
};

}  // namespace kvfoundation::data
