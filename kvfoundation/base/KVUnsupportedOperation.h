#pragma once

#include "kvfoundation/base/KVException.h"

namespace kvfoundation::base {

// The class does not offer the operation; the message names it ("Read() not supported").
class KVUnsupportedOperation : public KVException {
public:
    using KVException::KVException;
};

}  // namespace kvfoundation::base
