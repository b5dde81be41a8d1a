#pragma once

#include "kvfoundation/base/KVException.h"

namespace kvfoundation::io {

// A channel operation timed out.
class KVTimeOut : public base::KVException {
public:
    using base::KVException::KVException;
};

}  // namespace kvfoundation::io
