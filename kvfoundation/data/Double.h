#pragma once

#include "kvfoundation/base/KVObjectT.h"
#include "kvfoundation/data/IKVNumber.h"

namespace kvfoundation::data {

// A double. Its factory gives the shared integer 0 for 0.0 and -0.0, so a Double is never 0.
class Double final : public base::KVObjectT<IKVNumber> {
public:
    // The shared Int 0 for a zero, else a new Double owned by the caller (count 1).
    static IKVNumber* Create(double value);

    // Out-of-range values saturate, NaN gives 0.
    int32_t Int32Value() const override;
    int64_t Int64Value() const override;
    double DoubleValue() const override { return value_; }
    bool IsFloat() const override { return true; }
    bool Is64Bit() const override { return true; }

    bool Equals(const base::IKVType* other) const override;
    // trunc(fmod(r, 4294967295)) + trunc((|d| - r) * 4294967295) with r = |d| rounded,
    // in 32-bit arithmetic.
    uint32_t Hash() const override;
    // "%e".
    IKVString* Description() const override;

    static uint32_t HashOf(double value);

private:
    explicit Double(double value) : value_(value) {}
    ~Double() override = default;

    double value_;
};

}  // namespace kvfoundation::data
