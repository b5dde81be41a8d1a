#include "kvfoundation/data/UTF16String.h"

#include <cstring>
#include <new>

#include "kvfoundation/base/KVIllegalArgument.h"
#include "kvfoundation/base/KVOutOfMemory.h"

namespace kvfoundation::data {

UTF16String* UTF16String::CreateUninitialized(int32_t length) {
    if (length < 0) {
        throw base::KVIllegalArgument("length < 0");
    }
    size_t size = sizeof(UTF16String) + (static_cast<size_t>(length) + 1) * 2;
    void* memory = ::operator new(size, std::nothrow);
    if (memory == nullptr) {
        throw base::KVOutOfMemory();
    }
    return new (memory) UTF16String(length);
}

UTF16String* UTF16String::Create(const char16_t* units, int32_t length) {
    UTF16String* string = CreateUninitialized(length);
    if (length > 0) {
        std::memcpy(string->MutableCharacters(), units, static_cast<size_t>(length) * 2);
    }
    return string;
}

UTF16String* UTF16String::CreateFromASCII(const char* bytes, int32_t length) {
    UTF16String* string = CreateUninitialized(length);
    for (int32_t i = 0; i < length; ++i) {
        string->MutableCharacters()[i] = static_cast<unsigned char>(bytes[i]);
    }
    return string;
}

uint32_t UTF16String::Hash() const {
    if (hashed_.load(std::memory_order_acquire)) {
        return hash_.load(std::memory_order_relaxed);
    }
    uint32_t hash = string_ops::Hash(Characters(), length_);
    hash_.store(hash, std::memory_order_relaxed);
    hashed_.store(true, std::memory_order_release);
    return hash;
}

}  // namespace kvfoundation::data
