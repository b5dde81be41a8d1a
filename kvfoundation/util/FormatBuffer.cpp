#include "kvfoundation/util/FormatBuffer.h"

#include <algorithm>
#include <limits>
#include <new>

#include "kvfoundation/base/KVOutOfMemory.h"

namespace kvfoundation::util {

char16_t* FormatBuffer::Reserve(std::int64_t extra) {
    constexpr std::int64_t kMaxLength = std::numeric_limits<std::int32_t>::max();
    const std::int64_t needed = std::int64_t{length_} + extra;
    if (extra < 0 || needed > kMaxLength) {
        throw base::KVOutOfMemory();
    }
    if (needed > capacity_) {
        const std::int64_t grown =
            std::min(kMaxLength, std::max(needed, std::int64_t{capacity_} * 2));
        std::unique_ptr<char16_t[]> bigger(new (std::nothrow) char16_t[grown]);
        if (!bigger) {
            throw base::KVOutOfMemory();
        }
        std::copy(data_, data_ + length_, bigger.get());
        heap_ = std::move(bigger);
        data_ = heap_.get();
        capacity_ = static_cast<std::int32_t>(grown);
    }
    char16_t* at = data_ + length_;
    length_ = static_cast<std::int32_t>(needed);
    return at;
}

void FormatBuffer::Append(const char16_t* units, std::int64_t count) {
    if (count > 0) {
        std::copy(units, units + count, Reserve(count));
    }
}

void FormatBuffer::AppendBytes(const char* bytes, std::int64_t count) {
    if (count > 0) {
        char16_t* at = Reserve(count);
        for (std::int64_t i = 0; i < count; ++i) {
            at[i] = static_cast<unsigned char>(bytes[i]);
        }
    }
}

}  // namespace kvfoundation::util
