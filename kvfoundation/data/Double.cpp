#include "kvfoundation/data/Double.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "kvfoundation/data/Int.h"
#include "kvfoundation/data/NumberOps.h"

namespace kvfoundation::data {

namespace {

template <class T>
T Saturate(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    if (value <= static_cast<double>(std::numeric_limits<T>::min())) {
        return std::numeric_limits<T>::min();
    }
    if (value >= static_cast<double>(std::numeric_limits<T>::max())) {
        return std::numeric_limits<T>::max();
    }
    return static_cast<T>(value);
}

}  // namespace

IKVNumber* Double::Create(double value) {
    if (value == 0.0) {
        return Int::Shared(0);
    }
    return new Double(value);
}

int32_t Double::Int32Value() const {
    return Saturate<int32_t>(value_);
}

int64_t Double::Int64Value() const {
    return Saturate<int64_t>(value_);
}

bool Double::Equals(const base::IKVType* other) const {
    return number_ops::Equals(this, other);
}

uint32_t Double::HashOf(double value) {
    if (!std::isfinite(value)) {
        return std::isnan(value) ? 0 : 0xFFFFFFFFu;
    }
    constexpr double kModulus = 4294967295.0;
    double magnitude = std::fabs(value);
    double rounded = std::round(magnitude);
    // Both terms are finite and below 2^32 in magnitude, so they convert exactly.
    auto whole = static_cast<int64_t>(std::trunc(std::fmod(rounded, kModulus)));
    auto fraction = static_cast<int64_t>(std::trunc((magnitude - rounded) * kModulus));
    return static_cast<uint32_t>(whole) + static_cast<uint32_t>(fraction);
}

uint32_t Double::Hash() const {
    return HashOf(value_);
}

IKVString* Double::Description() const {
    char text[64];
    int length = std::snprintf(text, sizeof text, "%e", value_);
    return number_ops::Describe(text, length);
}

}  // namespace kvfoundation::data
