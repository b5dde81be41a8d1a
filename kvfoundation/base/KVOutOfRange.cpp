#include "kvfoundation/base/KVOutOfRange.h"

#include "kvfoundation/util/Format.h"

namespace kvfoundation::base {

KVOutOfRange::KVOutOfRange(int32_t index, int32_t start, int32_t end)
    : KVException(util::Format("index out of bounds %d  [%d:%d]", index, start, end)) {}

}  // namespace kvfoundation::base
