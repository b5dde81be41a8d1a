#pragma once

#include "kvfoundation/base/IKVCloning.h"
#include "kvfoundation/base/IKVType.h"

namespace kvfoundation::data {

class IKVEntryIterator;

// Keys to values, both non-null; keys are compared with Hash and Equals.
class IKVMap : public base::IKVType, public util::IKVCloning {
public:
    // A new reference owned by the caller; immutable maps return themselves retained.
    IKVMap* Copy() const override = 0;
    virtual int32_t Count() const = 0;
    // The value (borrowed) or null; a null key raises KVNullPtr.
    virtual base::IKVType* ObjectForKey(const base::IKVType* key) const = 0;
    virtual bool ContainsValue(const base::IKVType* value) const = 0;
    // An autoreleased iterator over the pairs (order carries no meaning).
    virtual IKVEntryIterator* EntryIterator() const = 0;
};

}  // namespace kvfoundation::data
