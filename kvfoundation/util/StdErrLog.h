#pragma once

#include "kvfoundation/impl/AbstractLog.h"

namespace kvfoundation::util {

// Writes "YYYY-MM-DD hh:mm:ss : message\n" (local time, UTF-8, no level) to the standard
// error stream, which the service host may redirect to its log file. A new, empty file first
// gets the UTF-8 byte-order mark. Lines from different threads never interleave. A message
// longer than 4095 UTF-8 bytes is cut at a character boundary.
class StdErrLog final : public impl::AbstractLog {
public:
    // A new log owned by the caller.
    static StdErrLog* Create(std::int32_t level = LogLevel::kInfo);

    void Write(std::int32_t level, data::IKVString* message) override;

private:
    explicit StdErrLog(std::int32_t level) : AbstractLog(level) {}
    ~StdErrLog() override = default;
};

}  // namespace kvfoundation::util
