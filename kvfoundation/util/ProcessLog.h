#pragma once

#include <cstdint>

#include "kvfoundation/base/KVRefCountT.h"
#include "kvfoundation/util/IKVLog.h"

namespace kvfoundation::util {

// The one log of the process. Reading it makes the default, a StdErrLog at level 3, on first
// use; the service host may replace it. The reference returned keeps the log alive even if
// another thread replaces it meanwhile.
base::KVRefCountT<IKVLog> GetProcessLog();
// Replaces the process-wide log (null restores the default on the next read).
void SetProcessLog(IKVLog* log);

// Shorthand for GetProcessLog()->LogFormat(level, format, ...).
void LogFormat(std::int32_t level, const char* format, ...);

}  // namespace kvfoundation::util
