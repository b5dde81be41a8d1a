#pragma once

#include "kvfoundation/data/StringT.h"

namespace kvfoundation::impl {

// An interned string made from ASCII text: one immortal object per distinct text, handed out
// by one process-wide set. Retain, Release and AutoRelease do nothing.
class KVLiteral final : public data::StringT<data::IKVString> {
public:
    // The literal for `ascii` (the empty literal for null).
    static KVLiteral* Intern(const char* ascii);
    // Number of distinct literals made so far (for tests).
    static int InternedCount();

    data::IKVString* Copy() const override { return const_cast<KVLiteral*>(this); }
    int32_t Length() const override { return length_; }
    const char16_t* Characters() const override { return units_; }
    uint32_t Hash() const override { return hash_; }

private:
    KVLiteral(const char16_t* units, int32_t length);
    ~KVLiteral() override = default;

    const char16_t* units_;  // owned by the literal set, never freed
    int32_t length_;
    uint32_t hash_;

    friend class LiteralSet;
};

}  // namespace kvfoundation::impl
