#pragma once

#include "kvfoundation/system/KVSysError.h"

namespace kvfoundation::io {

// errno 28 (ENOSPC).
class KVDiskFull : public system::KVSysError {
public:
    using system::KVSysError::KVSysError;
};

}  // namespace kvfoundation::io
