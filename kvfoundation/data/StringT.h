#pragma once

#include "kvfoundation/base/KVObjectT.h"
#include "kvfoundation/data/IKVString.h"

namespace kvfoundation::data {

// Shared behaviour of the string classes, written once over Characters() and Length().
namespace string_ops {
bool Equals(const IKVString* self, const base::IKVType* other);
uint32_t Hash(const char16_t* units, int32_t length);
// The same hash of ASCII bytes taken as code units.
uint32_t Hash(const unsigned char* bytes, int32_t length);
const char* CString(const IKVString* self, util::IKVEncoding* encoding);
void GetCharacters(const IKVString* self, char16_t* buffer, int32_t start, int32_t length);
char16_t CharacterAt(const IKVString* self, int32_t index);
int32_t GetBytes(const IKVString* self, int32_t start, int32_t length, util::IKVEncoding* encoding,
                 uint8_t lossByte, uint8_t* buffer, int32_t bufferSize, int32_t* usedBytes);
IKVData* ToData(const IKVString* self, util::IKVEncoding* encoding, uint8_t lossByte);
// Raises KVOutOfRange unless 0 <= start, 0 <= length and start + length <= limit.
void CheckRange(int32_t start, int32_t length, int32_t limit);
}  // namespace string_ops

template <class I>
class StringT : public base::KVObjectT<I> {
public:
    bool Equals(const base::IKVType* other) const override {
        return string_ops::Equals(this, other);
    }
    uint32_t Hash() const override { return string_ops::Hash(this->Characters(), this->Length()); }
    IKVString* Description() const override { return const_cast<StringT*>(this); }
    const char* CString() const override { return string_ops::CString(this, nullptr); }
    const char* CString(util::IKVEncoding* encoding) const override {
        return string_ops::CString(this, encoding);
    }
    void GetCharacters(char16_t* buffer, int32_t start, int32_t length) const override {
        string_ops::GetCharacters(this, buffer, start, length);
    }
    char16_t CharacterAt(int32_t index) const override {
        return string_ops::CharacterAt(this, index);
    }
    int32_t GetBytes(int32_t start, int32_t length, util::IKVEncoding* encoding, uint8_t lossByte,
                     uint8_t* buffer, int32_t bufferSize, int32_t* usedBytes) const override {
        return string_ops::GetBytes(this, start, length, encoding, lossByte, buffer, bufferSize,
                                    usedBytes);
    }
    IKVData* ToData(util::IKVEncoding* encoding, uint8_t lossByte) const override {
        return string_ops::ToData(this, encoding, lossByte);
    }

protected:
    using base::KVObjectT<I>::KVObjectT;
};

}  // namespace kvfoundation::data
