#include "kvfoundation/system/KVSysError.h"

#include "kvfoundation/data/IKVString.h"

namespace kvfoundation::system {

KVSysError::KVSysError(data::IKVString* domain, int32_t code, data::IKVString* message)
    : KVException(message), domain_(base::Retained(domain)), code_(code) {}

KVSysError::KVSysError(const KVSysError& other)
    : KVException(other), domain_(base::Retained(other.domain_)), code_(other.code_) {}

KVSysError::~KVSysError() {
    if (domain_ != nullptr) {
        domain_->Release();
    }
}

}  // namespace kvfoundation::system
