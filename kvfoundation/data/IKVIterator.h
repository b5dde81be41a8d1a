#pragma once

#include "kvfoundation/base/IKVType.h"

namespace kvfoundation::data {

// Walks a collection. Next past the end raises KVIllegalState.
class IKVIterator : public base::IKVType {
public:
    virtual bool HasNext() const = 0;
    // The next element (borrowed from the collection).
    virtual base::IKVType* Next() = 0;
};

}  // namespace kvfoundation::data
