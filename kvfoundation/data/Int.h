#pragma once

#include "kvfoundation/base/KVObjectT.h"
#include "kvfoundation/data/IKVNumber.h"

namespace kvfoundation::data {

// A signed 64-bit integer. The values -1 to 9 are immortal shared objects.
class Int final : public base::KVObjectT<IKVNumber> {
public:
    // The shared object for -1..9, else a new one owned by the caller (count 1).
    static Int* Create(int64_t value);
    // The shared object for -1..9, else null.
    static Int* Shared(int64_t value);

    int32_t Int32Value() const override;
    int64_t Int64Value() const override { return value_; }
    double DoubleValue() const override { return static_cast<double>(value_); }
    bool IsFloat() const override { return false; }
    bool Is64Bit() const override { return value_ < INT32_MIN || value_ > INT32_MAX; }

    // Numbers of equal value are equal, an Int and a Double included.
    bool Equals(const base::IKVType* other) const override;
    // The low 32 bits of the absolute value.
    uint32_t Hash() const override;
    // "%lld".
    IKVString* Description() const override;

private:
    explicit Int(int64_t value) : value_(value) {}
    constexpr Int(int64_t value, base::Immortal immortal) : KVObjectT(immortal), value_(value) {}
    ~Int() override = default;

    int64_t value_;
};

}  // namespace kvfoundation::data
