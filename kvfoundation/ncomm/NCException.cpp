#include "kvfoundation/ncomm/NCException.h"

#include "kvfoundation/impl/KVLiteral.h"

namespace kvfoundation::ncomm {

NCException::NCException(data::IKVString* reason, data::IKVString* message)
    : KVException(message), reason_(reason) {}

// Reason codes are a small fixed set: interned, never freed.
NCException::NCException(const char* reason, const char* message)
    : KVException(message), reason_(impl::KVLiteral::Intern(reason)) {}

}  // namespace kvfoundation::ncomm
