#include "kvfoundation/base/KVOutOfMemory.h"

#include "kvfoundation/impl/KVLiteral.h"

namespace kvfoundation::base {

// An interned literal: the message of a failed allocation must not need memory of its own.
KVOutOfMemory::KVOutOfMemory() : KVException(impl::KVLiteral::Intern("Out of memory")) {}

}  // namespace kvfoundation::base
