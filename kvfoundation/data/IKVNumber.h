#pragma once

#include "kvfoundation/base/IKVType.h"

namespace kvfoundation::data {

// A 64-bit integer (Int) or a double (Double). Conversions to narrower types saturate.
class IKVNumber : public base::IKVType {
public:
    virtual int32_t Int32Value() const = 0;
    virtual int64_t Int64Value() const = 0;
    virtual double DoubleValue() const = 0;
    virtual bool IsFloat() const = 0;
    // Doubles, and integers outside the signed 32-bit range.
    virtual bool Is64Bit() const = 0;
};

}  // namespace kvfoundation::data
