#include "kvfoundation/posix/PosixText.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "kvfoundation/base/KVOutOfMemory.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/data/IKVString.h"
#include "kvfoundation/util/Utf8Codec.h"

namespace kvfoundation::posix {

SystemText::SystemText(const data::IKVString* text) {
    if (text == nullptr) {
        return;
    }
    const char16_t* units = text->Characters();
    const std::int32_t length = text->Length();
    for (std::int32_t i = 0; i < length; ++i) {
        if (units[i] == 0) {
            return;
        }
    }
    bytes_.resize(static_cast<std::size_t>(util::Utf8MaxBytes(length)));
    const auto converted = util::Utf8Encode(
        units, length, reinterpret_cast<std::uint8_t*>(bytes_.data()),
        static_cast<std::int32_t>(std::min<std::size_t>(bytes_.size(), INT32_MAX)));
    bytes_.resize(static_cast<std::size_t>(converted.produced));
    valid_ = converted.consumed == length;
}

data::IKVString* StringFromSystemText(const char* bytes, std::size_t length) {
    if (bytes == nullptr || length == 0) {
        return data::Literal("");
    }
    if (length > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
        throw base::KVOutOfMemory();
    }
    const auto* in = reinterpret_cast<const std::uint8_t*>(bytes);
    const auto count = static_cast<std::int32_t>(length);
    std::vector<char16_t> units(length);  // never more units than bytes
    std::int32_t read = 0;
    std::int32_t written = 0;
    while (read < count) {
        const auto part =
            util::Utf8Decode(in + read, count - read, units.data() + written, count - written);
        read += part.consumed;
        written += part.produced;
        if (read < count) {
            units[written++] = u'\uFFFD';  // the byte the decoder stopped at
            ++read;
        }
    }
    return data::CreateString(units.data(), written);
}

data::IKVString* StringFromSystemText(const char* text) {
    return StringFromSystemText(text, text != nullptr ? std::strlen(text) : 0);
}

}  // namespace kvfoundation::posix
