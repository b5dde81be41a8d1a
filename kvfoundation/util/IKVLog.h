#pragma once

#include <cstdarg>
#include <cstdint>

#include "kvfoundation/base/IKVType.h"

namespace kvfoundation::data {
class IKVString;
}

namespace kvfoundation::util {

// Log levels: a message is written when its level is at most the log's threshold.
namespace LogLevel {
constexpr std::int32_t kFatal = 0;    // an exception of no known kind ended a thread
constexpr std::int32_t kError = 1;    // NComm errors, logged exceptions, leaks without a pool
constexpr std::int32_t kWarning = 2;  //
constexpr std::int32_t kInfo = 3;     // the default threshold
constexpr std::int32_t kDebug = 4;    // dumps (autorelease pool contents)
}  // namespace LogLevel

// A log with a level threshold. Log and LogFormat check the level first (nothing is formatted
// for a dropped message) and hand what passes to Write, which each log class implements.
class IKVLog : public base::IKVType {
public:
    virtual std::int32_t Level() const = 0;
    virtual void SetLevel(std::int32_t level) = 0;
    virtual void Log(std::int32_t level, data::IKVString* message) = 0;
    virtual void LogFormatV(std::int32_t level, const char* format, std::va_list args) = 0;
    virtual void LogFormat(std::int32_t level, const char* format, ...) = 0;
    // Writes unconditionally; `message` is borrowed for the call.
    virtual void Write(std::int32_t level, data::IKVString* message) = 0;
};

}  // namespace kvfoundation::util
