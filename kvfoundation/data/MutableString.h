#pragma once

#include "kvfoundation/data/IKVMutableString.h"
#include "kvfoundation/data/StringT.h"

namespace kvfoundation::data {

// Editable text. The buffer holds the capacity plus a terminating zero unit. When an edit
// needs room the capacity becomes 16 if it was 0 and is then doubled, at least once, until
// the new length fits.
class MutableString final : public StringT<IKVMutableString> {
public:
    // Owned by the caller (count 1). "capacity < 0".
    static MutableString* Create(int32_t capacity);

    IKVString* Copy() const override;
    int32_t Length() const override { return length_; }
    const char16_t* Characters() const override { return units_ != nullptr ? units_ : u""; }

    void Append(const char16_t* units, int32_t length) override;
    void AppendString(const IKVString* text) override;
    void AppendCString(const char* cStr, int32_t cStrLen, util::IKVEncoding* encoding) override;
    void AppendASCII(const char* bytes, int32_t length) override;
    void AppendCharacter(char16_t unit) override;
    void Insert(int32_t index, const char16_t* units, int32_t length) override;
    void Replace(int32_t start, int32_t length, const char16_t* units, int32_t newLength) override;
    void Delete(int32_t start, int32_t length) override;
    void SetLength(int32_t newLength) override;
    int32_t Capacity() const override { return capacity_; }

private:
    explicit MutableString(int32_t capacity);
    ~MutableString() override;

    // Makes room for `length` units in total (the contents stay).
    void Reserve(int64_t length);
    // Opens a gap of `inserted` units at `start` in place of `removed` units; returns it.
    char16_t* MakeGap(int32_t start, int32_t removed, int32_t inserted);

    char16_t* units_ = nullptr;
    int32_t length_ = 0;
    int32_t capacity_ = 0;
};

}  // namespace kvfoundation::data
