#pragma once

#include "kvfoundation/base/KVException.h"

namespace kvfoundation::io {

// A stream ended early: "<End Of File>".
class KVEndOfFile : public base::KVException {
public:
    KVEndOfFile();
};

}  // namespace kvfoundation::io
