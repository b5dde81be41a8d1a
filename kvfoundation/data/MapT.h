#pragma once

#include "kvfoundation/base/KVObjectT.h"
#include "kvfoundation/data/IKVMap.h"
#include "kvfoundation/impl/HashMap.h"

namespace kvfoundation::data {

namespace map_ops {
// "<class 0x…> { count = n, pairs = (\n\tkey = value\n) }" in iteration order.
IKVString* Describe(const IKVMap* map, const impl::HashMap& table);
IKVEntryIterator* EntryIterator(const IKVMap* map, const impl::HashMap& table);
}  // namespace map_ops

// A map class is a wrapper around one hash table.
template <class I>
class MapT : public base::KVObjectT<I> {
public:
    int32_t Count() const override { return table_.Count(); }
    base::IKVType* ObjectForKey(const base::IKVType* key) const override { return table_.Get(key); }
    bool ContainsValue(const base::IKVType* value) const override {
        return table_.ContainsValue(value);
    }
    IKVEntryIterator* EntryIterator() const override {
        return map_ops::EntryIterator(this, table_);
    }
    IKVString* Description() const override { return map_ops::Describe(this, table_); }

    // The table itself, for tests of its growth and for fast walks.
    const impl::HashMap& Table() const { return table_; }

protected:
    explicit MapT(int32_t capacity) : table_(capacity) {}

    impl::HashMap table_;
};

}  // namespace kvfoundation::data
