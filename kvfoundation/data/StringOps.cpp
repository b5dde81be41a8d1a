#include <cstring>
#include <typeinfo>

#include "kvfoundation/base/KVIllegalArgument.h"
#include "kvfoundation/base/KVNullPtr.h"
#include "kvfoundation/base/KVOutOfMemory.h"
#include "kvfoundation/base/KVOutOfRange.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/data/KindCast.h"
#include "kvfoundation/data/StringT.h"
#include "kvfoundation/util/IKVEncoding.h"
#include "kvfoundation/util/UTF8.h"

namespace kvfoundation::data::string_ops {

bool Equals(const IKVString* self, const base::IKVType* other) {
    if (other == self) {
        return true;
    }
    if (other == nullptr) {
        return false;
    }
    const IKVString* string = KindCast<IKVString>(other);
    if (string == nullptr || string->Length() != self->Length()) {
        return false;
    }
    return std::memcmp(self->Characters(), string->Characters(),
                       static_cast<size_t>(self->Length()) * sizeof(char16_t)) == 0;
}

namespace {

// Short strings hash every unit; longer ones their first and last 8 units.
template <class Unit>
uint32_t HashUnits(const Unit* units, int32_t length) {
    auto unit = [units](int32_t i) { return static_cast<uint32_t>(units[i]); };
    uint32_t h = static_cast<uint32_t>(length);
    if (length <= 16) {
        for (int32_t i = 0; i < length; ++i) {
            h = h * 257 + unit(i);
        }
    } else {
        for (int32_t i = 0; i < 8; ++i) {
            h = h * 257 + unit(i);
        }
        for (int32_t i = length - 8; i < length; ++i) {
            h = h * 257 + unit(i);
        }
    }
    return h + (h << (static_cast<uint32_t>(length) % 32));
}

}  // namespace

uint32_t Hash(const char16_t* units, int32_t length) {
    return HashUnits(units, length);
}

uint32_t Hash(const unsigned char* bytes, int32_t length) {
    return HashUnits(bytes, length);
}

void CheckRange(int32_t start, int32_t length, int32_t limit) {
    if (start < 0 || start > limit) {
        throw base::KVOutOfRange(start, 0, limit);
    }
    if (length < 0 || length > limit - start) {
        throw base::KVOutOfRange(length < 0 ? start : start + length, 0, limit);
    }
}

void GetCharacters(const IKVString* self, char16_t* buffer, int32_t start, int32_t length) {
    CheckRange(start, length, self->Length());
    if (length > 0) {
        if (buffer == nullptr) {
            throw base::KVNullPtr("buffer");
        }
        std::memcpy(buffer, self->Characters() + start, static_cast<size_t>(length) * 2);
    }
}

char16_t CharacterAt(const IKVString* self, int32_t index) {
    if (index < 0 || index >= self->Length()) {
        throw base::KVOutOfRange(index, 0, self->Length());
    }
    return self->Characters()[index];
}

int32_t GetBytes(const IKVString* self, int32_t start, int32_t length, util::IKVEncoding* encoding,
                 uint8_t lossByte, uint8_t* buffer, int32_t bufferSize, int32_t* usedBytes) {
    CheckRange(start, length, self->Length());
    if (encoding == nullptr) {
        encoding = util::UTF8::Instance();
    }
    if (buffer != nullptr && bufferSize < 0) {
        throw base::KVIllegalArgument("maxLength < 0");
    }
    return encoding->Encode(self->Characters() + start, length, lossByte, buffer, bufferSize,
                            usedBytes);
}

IKVData* ToData(const IKVString* self, util::IKVEncoding* encoding, uint8_t lossByte) {
    if (encoding == nullptr) {
        encoding = util::UTF8::Instance();
    }
    int64_t room = encoding->MaxBytes(self->Length());
    if (room > INT32_MAX - 1) {
        throw base::KVOutOfMemory();
    }
    IKVMutableData* data = CreateMutableData(static_cast<int32_t>(room));
    data->SetLength(static_cast<int32_t>(room));
    int32_t used = 0;
    int32_t converted = encoding->Encode(self->Characters(), self->Length(), lossByte,
                                         data->MutableBytes(), static_cast<int32_t>(room), &used);
    if (converted != self->Length()) {
        throw base::KVIllegalArgument("IKVString::CString failed");
    }
    data->SetLength(used);
    return data;
}

const char* CString(const IKVString* self, util::IKVEncoding* encoding) {
    if (encoding == nullptr) {
        encoding = util::UTF8::Instance();
    }
    int64_t room = encoding->MaxBytes(self->Length()) + 1;
    if (room > INT32_MAX) {
        throw base::KVIllegalArgument("IKVString::CString failed");
    }
    IKVMutableData* data = CreateMutableData(static_cast<int32_t>(room));
    data->SetLength(static_cast<int32_t>(room));
    int32_t used = 0;
    int32_t converted =
        encoding->Encode(self->Characters(), self->Length(), 0, data->MutableBytes(),
                         static_cast<int32_t>(room) - 1, &used);
    if (converted != self->Length()) {
        throw base::KVIllegalArgument("IKVString::CString failed");
    }
    data->MutableBytes()[used] = 0;
    return reinterpret_cast<const char*>(data->Bytes());
}

}  // namespace kvfoundation::data::string_ops
