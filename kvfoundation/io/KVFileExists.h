#pragma once

#include "kvfoundation/system/KVSysError.h"

namespace kvfoundation::io {

// errno 17 (EEXIST).
class KVFileExists : public system::KVSysError {
public:
    using system::KVSysError::KVSysError;
};

}  // namespace kvfoundation::io
