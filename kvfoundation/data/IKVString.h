#pragma once

#include <cstdint>

#include "kvfoundation/base/IKVCloning.h"
#include "kvfoundation/base/IKVType.h"

namespace kvfoundation::util {
class IKVEncoding;
}

namespace kvfoundation::data {

class IKVData;

// Immutable text: a sequence of UTF-16 code units. Lengths and indexes count code units.
// Equal when the other object is a string with the same code units; the hash depends only
// on the code units, so every string class hashes and compares alike.
class IKVString : public base::IKVType, public util::IKVCloning {
public:
    // A new reference owned by the caller; immutable strings return themselves retained.
    IKVString* Copy() const override = 0;
    // The text as zero-terminated UTF-8, valid until the enclosing pool closes.
    virtual const char* CString() const = 0;
    virtual int32_t Length() const = 0;
    // Copies `length` code units from `start`; a bad range raises KVOutOfRange.
    virtual void GetCharacters(char16_t* buffer, int32_t start, int32_t length) const = 0;
    // A bad index raises KVOutOfRange "index out of bounds %d  [%d:%d]" (index, 0, length).
    virtual char16_t CharacterAt(int32_t index) const = 0;
    // The code units, followed by a zero unit; valid as long as the string is unchanged.
    virtual const char16_t* Characters() const = 0;
    // Converts the range to `encoding`, replacing what it cannot encode by `lossByte` (0: stop
    // there). Returns the code units converted and sets *usedBytes (may be null) to the bytes
    // written. With a null buffer it only measures.
    virtual int32_t GetBytes(int32_t start, int32_t length, util::IKVEncoding* encoding,
                             uint8_t lossByte, uint8_t* buffer, int32_t bufferSize,
                             int32_t* usedBytes) const = 0;
    // The whole text in `encoding` as autoreleased bytes (no terminating zero).
    virtual IKVData* ToData(util::IKVEncoding* encoding, uint8_t lossByte) const = 0;
    // The text as a zero-terminated byte string in `encoding`, valid until the enclosing pool
    // closes; raises KVIllegalArgument "IKVString::CString failed" when it cannot convert.
    virtual const char* CString(util::IKVEncoding* encoding) const = 0;
};

}  // namespace kvfoundation::data
