#include "kvfoundation/impl/KVASCIIWrapper.h"

#include <cstring>

#include "kvfoundation/base/KVOutOfRange.h"
#include "kvfoundation/base/KVUnsupportedOperation.h"
#include "kvfoundation/data/KindCast.h"
#include "kvfoundation/data/UTF16String.h"

namespace kvfoundation::impl {

KVASCIIWrapper::KVASCIIWrapper(const char* text)
    : KVASCIIWrapper(text, text == nullptr ? 0 : static_cast<int32_t>(std::strlen(text))) {}

KVASCIIWrapper::KVASCIIWrapper(const char* text, int32_t length)
    : text_(text == nullptr ? "" : text), length_(text == nullptr || length < 0 ? 0 : length) {}

KVASCIIWrapper::~KVASCIIWrapper() = default;

base::IKVType* KVASCIIWrapper::Retain() {
    throw base::KVUnsupportedOperation("kvfoundation::impl::KVASCIIWrapper::Retain");
}

void KVASCIIWrapper::Release() {
    throw base::KVUnsupportedOperation("kvfoundation::impl::KVASCIIWrapper::Release");
}

base::IKVType* KVASCIIWrapper::AutoRelease() {
    throw base::KVUnsupportedOperation("kvfoundation::impl::KVASCIIWrapper::AutoRelease");
}

data::IKVString* KVASCIIWrapper::Copy() const {
    return data::UTF16String::CreateFromASCII(text_, length_);
}

const char16_t* KVASCIIWrapper::Characters() const {
    if (!units_) {
        units_.reset(new char16_t[static_cast<size_t>(length_) + 1]);
        for (int32_t i = 0; i <= length_; ++i) {
            units_[i] = i < length_ ? static_cast<unsigned char>(text_[i]) : 0;
        }
    }
    return units_.get();
}

// Equality and hash read the bytes directly, so look-ups need not build the units.
bool KVASCIIWrapper::Equals(const base::IKVType* other) const {
    if (other == this) {
        return true;
    }
    const auto* string = data::KindCast<data::IKVString>(other);
    if (string == nullptr || string->Length() != length_) {
        return false;
    }
    const char16_t* units = string->Characters();
    for (int32_t i = 0; i < length_; ++i) {
        if (units[i] != static_cast<unsigned char>(text_[i])) {
            return false;
        }
    }
    return true;
}

uint32_t KVASCIIWrapper::Hash() const {
    return data::string_ops::Hash(reinterpret_cast<const unsigned char*>(text_), length_);
}

char16_t KVASCIIWrapper::CharacterAt(int32_t index) const {
    if (index < 0 || index >= length_) {
        throw base::KVOutOfRange(index, 0, length_);
    }
    return static_cast<unsigned char>(text_[index]);
}

}  // namespace kvfoundation::impl
