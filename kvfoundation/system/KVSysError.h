#pragma once

#include "kvfoundation/base/KVException.h"

namespace kvfoundation::system {

// An operating-system call failed. Domain is "Posix" for errno values.
class KVSysError : public base::KVException {
public:
    KVSysError(data::IKVString* domain, int32_t code, data::IKVString* message);
    KVSysError(const KVSysError& other);
    ~KVSysError() override;

    data::IKVString* Domain() const { return domain_; }
    int32_t Code() const { return code_; }

private:
    data::IKVString* domain_;  // owned reference
    int32_t code_;
};

}  // namespace kvfoundation::system
