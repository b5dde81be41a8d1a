#pragma once

#include "kvfoundation/base/KVRefCountT.h"
#include "kvfoundation/impl/AbstractLog.h"

namespace kvfoundation::posix {

// The system log (syslog(3), ident "VantoryQX3", facility user, with the process id), used
// when no log file is configured. Each message is written as "<component>: <message>",
// the message cut at 512 UTF-16 code units.
class PosixSysLog final : public impl::AbstractLog {
public:
    static constexpr std::int32_t kMaxMessageUnits = 512;

    // A new log owned by the caller; `component` (may be null) names the writer.
    static PosixSysLog* Create(data::IKVString* component,
                               std::int32_t level = util::LogLevel::kInfo);

    // Levels -1, 3 and 4 are informational, 2 a warning, everything else an error.
    static int Priority(std::int32_t level);

    void Write(std::int32_t level, data::IKVString* message) override;

private:
    PosixSysLog(data::IKVString* component, std::int32_t level);
    ~PosixSysLog() override = default;

    base::KVRefCountT<data::IKVString> component_;
};

}  // namespace kvfoundation::posix
