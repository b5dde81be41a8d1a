#include "kvfoundation/util/ASCII.h"

#include <atomic>

#include "kvfoundation/base/Singletons.h"
#include "kvfoundation/util/AsciiCodec.h"

namespace kvfoundation::util {

ASCII* ASCII::Instance() {
    static std::atomic<ASCII*> slot;
    return base::Singletons::GetOrCreate(slot, [] { return new ASCII(); });
}

std::int32_t ASCII::Encode(const char16_t* units, std::int32_t count, std::uint8_t lossByte,
                           std::uint8_t* buffer, std::int32_t bufferSize,
                           std::int32_t* usedBytes) const {
    const TextConversion result = AsciiEncode(units, count, lossByte, buffer, bufferSize);
    if (usedBytes != nullptr) {
        *usedBytes = result.produced;
    }
    return result.consumed;
}

std::int32_t ASCII::Decode(const std::uint8_t* bytes, std::int32_t count, char16_t* buffer,
                           std::int32_t bufferSize, std::int32_t* usedUnits) const {
    const TextConversion result = AsciiDecode(bytes, count, buffer, bufferSize);
    if (usedUnits != nullptr) {
        *usedUnits = result.produced;
    }
    return result.consumed;
}

}  // namespace kvfoundation::util
