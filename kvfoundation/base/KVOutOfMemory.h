#pragma once

#include "kvfoundation/base/KVException.h"

namespace kvfoundation::base {

// A failed allocation: "Out of memory".
class KVOutOfMemory : public KVException {
public:
    KVOutOfMemory();
};

}  // namespace kvfoundation::base
