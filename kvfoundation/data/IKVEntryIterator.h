#pragma once

#include "kvfoundation/data/IKVIterator.h"

namespace kvfoundation::data {

// Walks the key-value pairs of a map: Next returns the key, Key and Value read the pair it
// moved to. Changing the map while iterating raises KVIllegalState on the next step.
class IKVEntryIterator : public IKVIterator {
public:
    virtual base::IKVType* Key() const = 0;
    virtual base::IKVType* Value() const = 0;
};

}  // namespace kvfoundation::data
