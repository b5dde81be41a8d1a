#include "kvfoundation/data/Int.h"

#include <cstdio>
#include <new>

#include "kvfoundation/data/NumberOps.h"

namespace kvfoundation::data {

Int* Int::Shared(int64_t value) {
    static constexpr int64_t kFirst = -1;
    static constexpr int64_t kLast = 9;
    if (value < kFirst || value > kLast) {
        return nullptr;
    }
    // Made once and never destroyed: immortal objects outlive every user.
    static Int* const table = [] {
        auto* ints = static_cast<Int*>(::operator new(sizeof(Int) * (kLast - kFirst + 1)));
        for (int64_t v = kFirst; v <= kLast; ++v) {
            new (&ints[v - kFirst]) Int(v, base::Immortal{});
        }
        return ints;
    }();
    return &table[value - kFirst];
}

Int* Int::Create(int64_t value) {
    if (Int* shared = Shared(value)) {
        return shared;
    }
    return new Int(value);
}

int32_t Int::Int32Value() const {
    if (value_ < INT32_MIN) {
        return INT32_MIN;
    }
    if (value_ > INT32_MAX) {
        return INT32_MAX;
    }
    return static_cast<int32_t>(value_);
}

bool Int::Equals(const base::IKVType* other) const {
    return number_ops::Equals(this, other);
}

uint32_t Int::Hash() const {
    uint64_t magnitude =
        value_ < 0 ? 0 - static_cast<uint64_t>(value_) : static_cast<uint64_t>(value_);
    return static_cast<uint32_t>(magnitude);
}

IKVString* Int::Description() const {
    char text[32];
    int length = std::snprintf(text, sizeof text, "%lld", static_cast<long long>(value_));
    return number_ops::Describe(text, length);
}

}  // namespace kvfoundation::data
