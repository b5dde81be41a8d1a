#pragma once

#include "kvfoundation/base/KVException.h"

namespace kvfoundation::base {

// The operation is not allowed now ("Channel Closed", "Iterator at end").
class KVIllegalState : public KVException {
public:
    using KVException::KVException;
};

}  // namespace kvfoundation::base
