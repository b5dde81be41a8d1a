#pragma once

#include "kvfoundation/system/KVSysError.h"

namespace kvfoundation::system {

// errno 13 (EACCES).
class KVAccessDenied : public KVSysError {
public:
    using KVSysError::KVSysError;
};

}  // namespace kvfoundation::system
