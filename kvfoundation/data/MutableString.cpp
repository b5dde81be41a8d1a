#include "kvfoundation/data/MutableString.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "kvfoundation/base/KVIllegalArgument.h"
#include "kvfoundation/base/KVNullPtr.h"
#include "kvfoundation/base/KVOutOfMemory.h"
#include "kvfoundation/data/UTF16String.h"
#include "kvfoundation/util/IKVEncoding.h"
#include "kvfoundation/util/UTF8.h"

namespace kvfoundation::data {

namespace {

void CheckUnits(const void* units, int32_t length, const char* negativeMessage) {
    if (length < 0) {
        throw base::KVIllegalArgument(negativeMessage);
    }
    if (units == nullptr && length > 0) {
        throw base::KVNullPtr("units");
    }
}

}  // namespace

MutableString* MutableString::Create(int32_t capacity) {
    if (capacity < 0) {
        throw base::KVIllegalArgument("capacity < 0");
    }
    auto* string = new MutableString(0);
    if (capacity > 0) {
        try {
            string->units_ = static_cast<char16_t*>(
                std::malloc((static_cast<size_t>(capacity) + 1) * sizeof(char16_t)));
            if (string->units_ == nullptr) {
                throw base::KVOutOfMemory();
            }
        } catch (...) {
            string->Release();
            throw;
        }
        string->capacity_ = capacity;
        string->units_[0] = 0;
    }
    return string;
}

MutableString::MutableString(int32_t capacity) : capacity_(capacity) {}

MutableString::~MutableString() {
    std::free(units_);
}

IKVString* MutableString::Copy() const {
    return UTF16String::Create(Characters(), length_);
}

void MutableString::Reserve(int64_t length) {
    if (length <= capacity_) {
        return;
    }
    if (length > INT32_MAX - 1) {
        throw base::KVOutOfMemory();
    }
    int64_t capacity = capacity_ == 0 ? 16 : capacity_;
    do {
        capacity *= 2;
    } while (capacity < length);
    if (capacity > INT32_MAX - 1) {
        capacity = INT32_MAX - 1;
    }
    auto* grown = static_cast<char16_t*>(
        std::realloc(units_, (static_cast<size_t>(capacity) + 1) * sizeof(char16_t)));
    if (grown == nullptr) {
        throw base::KVOutOfMemory();
    }
    units_ = grown;
    if (length_ == 0) {
        units_[0] = 0;
    }
    capacity_ = static_cast<int32_t>(capacity);
}

char16_t* MutableString::MakeGap(int32_t start, int32_t removed, int32_t inserted) {
    Reserve(int64_t{length_} - removed + inserted);
    if (units_ == nullptr) {
        return nullptr;  // still empty and nothing inserted
    }
    char16_t* gap = units_ + start;
    int32_t tail = length_ - start - removed;
    std::memmove(gap + inserted, gap + removed, static_cast<size_t>(tail) * sizeof(char16_t));
    length_ = length_ - removed + inserted;
    units_[length_] = 0;
    return gap;
}

void MutableString::Append(const char16_t* units, int32_t length) {
    Insert(length_, units, length);
}

void MutableString::AppendString(const IKVString* text) {
    if (text == nullptr) {
        throw base::KVNullPtr("text");
    }
    // Appending a string to itself: read its units before they move.
    if (text == this) {
        std::unique_ptr<char16_t[]> copy(new char16_t[static_cast<size_t>(length_) + 1]);
        std::memcpy(copy.get(), Characters(), static_cast<size_t>(length_) * sizeof(char16_t));
        Append(copy.get(), length_);
        return;
    }
    Append(text->Characters(), text->Length());
}

void MutableString::AppendCString(const char* cStr, int32_t cStrLen, util::IKVEncoding* encoding) {
    CheckUnits(cStr, cStrLen, "cStrLen < 0");
    if (encoding == nullptr) {
        encoding = util::UTF8::Instance();
    }
    const auto* bytes = reinterpret_cast<const uint8_t*>(cStr);
    int32_t units = 0;
    // Measure first, so a failure leaves the text unchanged.
    if (encoding->Decode(bytes, cStrLen, nullptr, 0, &units) != cStrLen) {
        throw base::KVIllegalArgument("decode failed");
    }
    Reserve(int64_t{length_} + units);
    int32_t produced = 0;
    encoding->Decode(bytes, cStrLen, units_ + length_, capacity_ - length_, &produced);
    length_ += produced;
    units_[length_] = 0;
}

void MutableString::AppendASCII(const char* bytes, int32_t length) {
    CheckUnits(bytes, length, "length < 0");
    char16_t* gap = MakeGap(length_, 0, length);
    for (int32_t i = 0; i < length; ++i) {
        gap[i] = static_cast<unsigned char>(bytes[i]);
    }
}

void MutableString::AppendCharacter(char16_t unit) {
    *MakeGap(length_, 0, 1) = unit;
}

void MutableString::Insert(int32_t index, const char16_t* units, int32_t length) {
    Replace(index, 0, units, length);
}

void MutableString::Replace(int32_t start, int32_t length, const char16_t* units,
                            int32_t newLength) {
    string_ops::CheckRange(start, length, length_);
    CheckUnits(units, newLength, "length < 0");
    // The new units may lie inside this string: copy them aside before the gap moves them.
    std::unique_ptr<char16_t[]> aside;
    if (newLength > 0 && units_ != nullptr && units >= units_ && units < units_ + capacity_) {
        aside.reset(new char16_t[static_cast<size_t>(newLength)]);
        std::memcpy(aside.get(), units, static_cast<size_t>(newLength) * sizeof(char16_t));
        units = aside.get();
    }
    char16_t* gap = MakeGap(start, length, newLength);
    if (newLength > 0) {
        std::memcpy(gap, units, static_cast<size_t>(newLength) * sizeof(char16_t));
    }
}

void MutableString::Delete(int32_t start, int32_t length) {
    string_ops::CheckRange(start, length, length_);
    MakeGap(start, length, 0);
}

void MutableString::SetLength(int32_t newLength) {
    if (newLength < 0) {
        throw base::KVIllegalArgument("length < 0");
    }
    if (newLength <= length_) {
        if (units_ != nullptr) {
            length_ = newLength;
            units_[length_] = 0;
        }
        return;
    }
    int32_t added = newLength - length_;
    std::memset(MakeGap(length_, 0, added), 0, static_cast<size_t>(added) * sizeof(char16_t));
}

}  // namespace kvfoundation::data
