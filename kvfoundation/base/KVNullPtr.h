#pragma once

#include "kvfoundation/base/KVException.h"

namespace kvfoundation::base {

// A required argument is null.
class KVNullPtr : public KVException {
public:
    using KVException::KVException;
};

}  // namespace kvfoundation::base
