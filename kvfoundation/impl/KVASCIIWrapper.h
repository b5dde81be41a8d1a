#pragma once

#include <memory>

#include "kvfoundation/data/StringT.h"

namespace kvfoundation::impl {

// A temporary string over a C string, built on the stack to pass ASCII text where a string is
// wanted (format strings, literal look-ups); each byte is one code unit. It must never be
// kept: Retain, Release and AutoRelease raise KVUnsupportedOperation. Copy makes a real string.
class KVASCIIWrapper final : public data::StringT<data::IKVString> {
public:
    // `text` must outlive the wrapper; null reads as empty.
    explicit KVASCIIWrapper(const char* text);
    KVASCIIWrapper(const char* text, int32_t length);
    ~KVASCIIWrapper() override;

    base::IKVType* Retain() override;
    void Release() override;
    base::IKVType* AutoRelease() override;

    data::IKVString* Copy() const override;
    int32_t Length() const override { return length_; }
    // Made on first request and kept by the wrapper.
    const char16_t* Characters() const override;
    bool Equals(const base::IKVType* other) const override;
    uint32_t Hash() const override;
    char16_t CharacterAt(int32_t index) const override;

    const char* Text() const { return text_; }

private:
    const char* text_;
    int32_t length_;
    mutable std::unique_ptr<char16_t[]> units_;
};

}  // namespace kvfoundation::impl
