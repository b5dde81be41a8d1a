#include "kvfoundation/ncomm/NCException.h"

#include "kvfoundation/impl/KVLiteral.h"

namespace kvfoundation::ncomm {

NCException::NCException(data::IKVString* reason, data::IKVString* message)
    : KVException(message), reason_(base::Retained(reason)) {}

// Reason codes are a small fixed set: interned, never freed.
NCException::NCException(const char* reason, const char* message)
    : KVException(message), reason_(impl::KVLiteral::Intern(reason)) {}

NCException::NCException(const NCException& other)
    : KVException(other), reason_(base::Retained(other.reason_)) {}

NCException::~NCException() {
    if (reason_ != nullptr) {
        reason_->Release();
    }
}

}  // namespace kvfoundation::ncomm
