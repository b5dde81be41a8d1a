#pragma once

#include <cstdint>

namespace kvfoundation::io {

// Channel time-outs are given in seconds and applied in whole milliseconds (truncated).
// 0 and anything above 2147483647 ms mean "no limit", returned as -1 (poll()'s own "no
// limit"). Callers reject negative time-outs ("timeout < 0") before converting.
constexpr int kNoTimeLimit = -1;

constexpr int TimeoutToMillis(double seconds) {
    const double millis = seconds * 1000.0;
    if (!(millis < 2147483648.0)) {  // also catches NaN
        return kNoTimeLimit;
    }
    const auto whole = static_cast<std::int64_t>(millis);
    return whole <= 0 ? kNoTimeLimit : static_cast<int>(whole);
}

}  // namespace kvfoundation::io
