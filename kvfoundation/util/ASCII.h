#pragma once

#include "kvfoundation/base/KVObjectT.h"
#include "kvfoundation/util/IKVEncoding.h"

namespace kvfoundation::util {

// 7-bit ASCII for C strings and formatter output. Decoding maps every byte to the code unit
// of the same value, so it never fails.
class ASCII final : public base::KVObjectT<IKVEncoding> {
public:
    // The process-wide instance, made on first use.
    static ASCII* Instance();

    std::int32_t Encode(const char16_t* units, std::int32_t count, std::uint8_t lossByte,
                        std::uint8_t* buffer, std::int32_t bufferSize,
                        std::int32_t* usedBytes) const override;
    std::int32_t Decode(const std::uint8_t* bytes, std::int32_t count, char16_t* buffer,
                        std::int32_t bufferSize, std::int32_t* usedUnits) const override;
    std::int64_t MaxBytes(std::int32_t count) const override { return count > 0 ? count : 0; }
    bool IsAsciiCompatible() const override { return true; }

private:
    ASCII() = default;
    ~ASCII() override = default;
};

}  // namespace kvfoundation::util
