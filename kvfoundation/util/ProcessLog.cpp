#include "kvfoundation/util/ProcessLog.h"

#include <cstdarg>
#include <mutex>

#include "kvfoundation/util/StdErrLog.h"

namespace kvfoundation::util {

namespace {

std::mutex& LogLock() {
    static std::mutex* lock = new std::mutex;  // outlives static destructors
    return *lock;
}

// Owned reference; never released at exit, so logging from late destructors stays safe.
IKVLog* processLog = nullptr;

}  // namespace

base::KVRefCountT<IKVLog> GetProcessLog() {
    std::lock_guard<std::mutex> guard(LogLock());
    if (processLog == nullptr) {
        processLog = StdErrLog::Create(LogLevel::kInfo);
    }
    return base::KVRefCountT<IKVLog>(processLog);
}

void SetProcessLog(IKVLog* log) {
    IKVLog* old;
    {
        std::lock_guard<std::mutex> guard(LogLock());
        old = processLog;
        processLog = base::Retained(log);
    }
    if (old != nullptr) {
        old->Release();  // outside the lock: a log's destructor may log
    }
}

void LogFormat(std::int32_t level, const char* format, ...) {
    base::KVRefCountT<IKVLog> log = GetProcessLog();
    std::va_list args;
    va_start(args, format);
    try {
        log->LogFormatV(level, format, args);
    } catch (...) {
        va_end(args);
        throw;
    }
    va_end(args);
}

}  // namespace kvfoundation::util
