#pragma once

#include "kvfoundation/base/KVObjectT.h"
#include "kvfoundation/util/IKVEncoding.h"

namespace kvfoundation::util {

// UTF-8, the wire encoding (rules in Utf8Codec.h). The loss byte is never needed: every code
// unit, an unpaired surrogate included, has a UTF-8 form.
class UTF8 final : public base::KVObjectT<IKVEncoding> {
public:
    // The process-wide instance, made on first use.
    static UTF8* Instance();

    std::int32_t Encode(const char16_t* units, std::int32_t count, std::uint8_t lossByte,
                        std::uint8_t* buffer, std::int32_t bufferSize,
                        std::int32_t* usedBytes) const override;
    std::int32_t Decode(const std::uint8_t* bytes, std::int32_t count, char16_t* buffer,
                        std::int32_t bufferSize, std::int32_t* usedUnits) const override;
    std::int64_t MaxBytes(std::int32_t count) const override;
    bool IsAsciiCompatible() const override { return true; }

private:
    UTF8() = default;
    ~UTF8() override = default;
};

}  // namespace kvfoundation::util
