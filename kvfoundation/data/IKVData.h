#pragma once

#include "kvfoundation/base/IKVCloning.h"
#include "kvfoundation/base/IKVType.h"

namespace kvfoundation::data {

// Bytes.
class IKVData : public base::IKVType, public util::IKVCloning {
public:
    // A new reference owned by the caller: immutable data returns itself retained, mutable
    // data an immutable copy of its bytes.
    IKVData* Copy() const override = 0;
    virtual const uint8_t* Bytes() const = 0;
    virtual int32_t Length() const = 0;
};

}  // namespace kvfoundation::data
