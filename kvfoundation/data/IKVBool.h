#pragma once

#include "kvfoundation/base/IKVType.h"

namespace kvfoundation::data {

// The two shared objects true and false.
class IKVBool : public base::IKVType {
public:
    virtual bool BoolValue() const = 0;
};

}  // namespace kvfoundation::data
