#pragma once

#include "kvfoundation/data/IKVCollection.h"

namespace kvfoundation::data {

// An ordered list of non-null elements. Elements returned are borrowed from the list.
class IKVList : public IKVCollection {
public:
    // A new reference owned by the caller; immutable lists return themselves retained.
    IKVList* Copy() const override = 0;
    // Copies every element pointer into `buffer` (Count() entries).
    virtual void GetAllObjects(base::IKVType** buffer) const = 0;
    // True when some element Equals `object`.
    virtual bool Contains(const base::IKVType* object) const = 0;
    // True when every element of `collection` is contained; null raises KVNullPtr.
    virtual bool ContainsAll(const IKVCollection* collection) const = 0;
    // Copies `count` elements from `start`; a bad range raises KVOutOfRange.
    virtual void GetObjects(base::IKVType** buffer, int32_t start, int32_t count) const = 0;
    // A bad index raises KVOutOfRange "index out of bounds %d  [%d:%d]" (index, 0, count).
    virtual base::IKVType* ObjectAt(int32_t index) const = 0;
};

}  // namespace kvfoundation::data
