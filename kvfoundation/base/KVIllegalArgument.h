#pragma once

#include "kvfoundation/base/KVException.h"

namespace kvfoundation::base {

// Bad argument values ("length < 0" and the like).
class KVIllegalArgument : public KVException {
public:
    using KVException::KVException;
};

}  // namespace kvfoundation::base
