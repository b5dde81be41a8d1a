#include "kvfoundation/util/UTF8.h"

#include <atomic>

#include "kvfoundation/base/Singletons.h"
#include "kvfoundation/util/Utf8Codec.h"

namespace kvfoundation::util {

UTF8* UTF8::Instance() {
    static std::atomic<UTF8*> slot;
    return base::Singletons::GetOrCreate(slot, [] { return new UTF8(); });
}

std::int32_t UTF8::Encode(const char16_t* units, std::int32_t count, std::uint8_t /*lossByte*/,
                          std::uint8_t* buffer, std::int32_t bufferSize,
                          std::int32_t* usedBytes) const {
    const TextConversion result = Utf8Encode(units, count, buffer, bufferSize);
    if (usedBytes != nullptr) {
        *usedBytes = result.produced;
    }
    return result.consumed;
}

std::int32_t UTF8::Decode(const std::uint8_t* bytes, std::int32_t count, char16_t* buffer,
                          std::int32_t bufferSize, std::int32_t* usedUnits) const {
    const TextConversion result = Utf8Decode(bytes, count, buffer, bufferSize);
    if (usedUnits != nullptr) {
        *usedUnits = result.produced;
    }
    return result.consumed;
}

std::int64_t UTF8::MaxBytes(std::int32_t count) const {
    return Utf8MaxBytes(count);
}

}  // namespace kvfoundation::util
