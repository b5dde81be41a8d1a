#pragma once

#include "kvfoundation/data/IKVData.h"

namespace kvfoundation::data {

// Bytes that can change. Fixed-capacity data (made for capacities up to 65535) cannot grow
// past its capacity: such a length raises KVOutOfRange. New bytes read as zero.
class IKVMutableData : public IKVData {
public:
    virtual uint8_t* MutableBytes() = 0;
    // A negative length raises KVIllegalArgument "newLength < 0".
    virtual void SetLength(int32_t newLength) = 0;
    // Adds zero bytes; a negative count raises KVIllegalArgument "extraLength < 0".
    virtual void IncreaseLength(int32_t extraLength) = 0;
    // A negative length raises KVIllegalArgument "length < 0".
    virtual void AppendBytes(const void* bytes, int32_t length) = 0;
    virtual int32_t Capacity() const = 0;
};

}  // namespace kvfoundation::data
