#pragma once

#include "kvfoundation/base/IKVType.h"

namespace kvfoundation::util {

// Objects that can be copied. Copy returns a new reference owned by the caller (immutable
// classes return themselves retained). Not an IKVType itself: reach it with a checked cast.
class IKVCloning {
public:
    virtual base::IKVType* Copy() const = 0;

protected:
    virtual ~IKVCloning() = default;
};

}  // namespace kvfoundation::util
