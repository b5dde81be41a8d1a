#pragma once

#include "kvfoundation/base/KVException.h"

namespace kvfoundation::base {

// A bad index or range: "index out of bounds %d  [%d:%d]" (index, range start, range end).
class KVOutOfRange : public KVException {
public:
    KVOutOfRange(int32_t index, int32_t start, int32_t end);
    using KVException::KVException;
};

}  // namespace kvfoundation::base
