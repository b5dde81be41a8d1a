#pragma once

#include "kvfoundation/data/StringT.h"

namespace kvfoundation::data {

// Immutable text over code units owned elsewhere, which must outlive it. Copy makes a real
// string, so a copy (a map key, say) does not depend on the foreign units.
class UTF16Wrapper final : public StringT<IKVString> {
public:
    // Owned by the caller (count 1). "length < 0".
    static UTF16Wrapper* Create(const char16_t* units, int32_t length);

    IKVString* Copy() const override;
    int32_t Length() const override { return length_; }
    const char16_t* Characters() const override { return units_; }

private:
    UTF16Wrapper(const char16_t* units, int32_t length) : units_(units), length_(length) {}
    ~UTF16Wrapper() override = default;

    const char16_t* units_;
    int32_t length_;
};

}  // namespace kvfoundation::data
