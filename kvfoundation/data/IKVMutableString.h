#pragma once

#include "kvfoundation/data/IKVString.h"

namespace kvfoundation::data {

// Text that can be edited. Negative lengths raise KVIllegalArgument "length < 0"
// ("cStrLen < 0" for byte strings), bad positions KVOutOfRange; a failed call leaves the
// string unchanged.
class IKVMutableString : public IKVString {
public:
    virtual void Append(const char16_t* units, int32_t length) = 0;
    virtual void AppendString(const IKVString* text) = 0;
    // Bytes in `encoding`; undecodable bytes raise KVIllegalArgument "decode failed".
    virtual void AppendCString(const char* cStr, int32_t cStrLen, util::IKVEncoding* encoding) = 0;
    // Each byte one code unit (the formatter's fast path for runtime-formatted text).
    virtual void AppendASCII(const char* bytes, int32_t length) = 0;
    virtual void AppendCharacter(char16_t unit) = 0;
    // `index` from 0 to Length().
    virtual void Insert(int32_t index, const char16_t* units, int32_t length) = 0;
    // Replaces `length` units at `start` by `newLength` units.
    virtual void Replace(int32_t start, int32_t length, const char16_t* units,
                         int32_t newLength) = 0;
    virtual void Delete(int32_t start, int32_t length) = 0;
    // Shortens the text (or pads with zero units).
    virtual void SetLength(int32_t newLength) = 0;
    virtual int32_t Capacity() const = 0;
};

}  // namespace kvfoundation::data
