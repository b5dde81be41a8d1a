#pragma once

#include "kvfoundation/data/IKVList.h"

namespace kvfoundation::data {

// A list that can change. Null elements raise KVNullPtr; a failed call leaves the list
// unchanged. The list retains what it stores and releases what it drops.
class IKVMutableList : public IKVList {
public:
    // A negative count raises KVIllegalArgument "count < 0".
    virtual void AddObjects(int32_t count, base::IKVType* const* objects) = 0;
    virtual void AddObject(base::IKVType* object) = 0;
    // `index` from 0 to Count().
    virtual void InsertObjectAt(int32_t index, base::IKVType* object) = 0;
    virtual void ReplaceObjectAt(int32_t index, base::IKVType* object) = 0;
    virtual void RemoveObjects(int32_t start, int32_t count) = 0;
    virtual void RemoveObjectAt(int32_t index) = 0;
    // Smaller drops the tail; larger appends the null value. Negative raises
    // KVIllegalArgument "newSize < 0".
    virtual void SetCount(int32_t newCount) = 0;
};

}  // namespace kvfoundation::data
