#pragma once

#include "kvfoundation/base/KVObjectT.h"
#include "kvfoundation/data/IKVList.h"

namespace kvfoundation::data {

// Shared behaviour of the list classes, written once over Count() and an element array.
namespace list_ops {
// "<class 0x…> { count = n, values = (\n\t0 : …\n) }".
IKVString* Describe(const IKVList* list, base::IKVType* const* elements, int32_t count);
bool Contains(base::IKVType* const* elements, int32_t count, const base::IKVType* object);
bool ContainsAll(const IKVList* list, const IKVCollection* collection);
void GetObjects(base::IKVType* const* elements, int32_t count, base::IKVType** buffer,
                int32_t start, int32_t length);
base::IKVType* ObjectAt(base::IKVType* const* elements, int32_t count, int32_t index);
IKVIterator* Iterator(const IKVList* list);
}  // namespace list_ops

template <class I>
class ListT : public base::KVObjectT<I> {
public:
    int32_t Count() const override { return CountOfElements(); }
    IKVIterator* Iterator() const override { return list_ops::Iterator(this); }
    void GetAllObjects(base::IKVType** buffer) const override {
        list_ops::GetObjects(Elements(), CountOfElements(), buffer, 0, CountOfElements());
    }
    bool Contains(const base::IKVType* object) const override {
        return list_ops::Contains(Elements(), CountOfElements(), object);
    }
    bool ContainsAll(const IKVCollection* collection) const override {
        return list_ops::ContainsAll(this, collection);
    }
    void GetObjects(base::IKVType** buffer, int32_t start, int32_t count) const override {
        list_ops::GetObjects(Elements(), CountOfElements(), buffer, start, count);
    }
    base::IKVType* ObjectAt(int32_t index) const override {
        return list_ops::ObjectAt(Elements(), CountOfElements(), index);
    }
    IKVString* Description() const override {
        return list_ops::Describe(this, Elements(), CountOfElements());
    }

protected:
    virtual base::IKVType* const* Elements() const = 0;
    virtual int32_t CountOfElements() const = 0;
};

}  // namespace kvfoundation::data
