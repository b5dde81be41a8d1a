#pragma once

#include "kvfoundation/system/KVSysError.h"

namespace kvfoundation::io {

// errno 2 (ENOENT) and 20 (ENOTDIR).
class KVFileNotFound : public system::KVSysError {
public:
    using system::KVSysError::KVSysError;
};

}  // namespace kvfoundation::io
