#pragma once

#include "kvfoundation/base/IKVCloning.h"
#include "kvfoundation/base/IKVType.h"

namespace kvfoundation::data {

class IKVIterator;

// Base of lists.
class IKVCollection : public base::IKVType, public util::IKVCloning {
public:
    virtual int32_t Count() const = 0;
    // An autoreleased iterator from the first element.
    virtual IKVIterator* Iterator() const = 0;
};

}  // namespace kvfoundation::data
