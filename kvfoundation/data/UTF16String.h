#pragma once

#include <atomic>

#include "kvfoundation/data/StringT.h"

namespace kvfoundation::data {

// Immutable text; the code units (and a terminating zero unit) live in the object's own
// allocation.
class UTF16String final : public StringT<IKVString> {
public:
    // New strings owned by the caller (count 1, not autoreleased). "length < 0" for a
    // negative length; KVOutOfMemory when it cannot allocate.
    static UTF16String* Create(const char16_t* units, int32_t length);
    static UTF16String* CreateFromASCII(const char* bytes, int32_t length);
    // Room for `length` units, to be filled by the caller before the string is shared.
    static UTF16String* CreateUninitialized(int32_t length);

    IKVString* Copy() const override { return base::Retained(const_cast<UTF16String*>(this)); }
    int32_t Length() const override { return length_; }
    const char16_t* Characters() const override {
        return reinterpret_cast<const char16_t*>(this + 1);
    }
    char16_t* MutableCharacters() { return reinterpret_cast<char16_t*>(this + 1); }
    // Computed on first use and kept: the text never changes once the string is shared.
    uint32_t Hash() const override;

    static void operator delete(void* pointer) { ::operator delete(pointer); }

private:
    explicit UTF16String(int32_t length) : length_(length) { MutableCharacters()[length] = 0; }
    ~UTF16String() override = default;

    int32_t length_;
    mutable std::atomic<uint32_t> hash_{0};
    mutable std::atomic<bool> hashed_{false};
    // The code units follow the object in the same allocation.
};

}  // namespace kvfoundation::data
