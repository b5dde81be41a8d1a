#pragma once

#include <atomic>

#include "kvfoundation/base/KVObjectT.h"
#include "kvfoundation/util/IKVLog.h"

namespace kvfoundation::impl {

// The threshold and the level check shared by every log class; subclasses write.
// Formatting here never autoreleases, so a log call works on a thread with no pool (and the
// "autoreleased with no pool" message cannot feed itself).
class AbstractLog : public base::KVObjectT<util::IKVLog> {
public:
    std::int32_t Level() const override { return level_.load(std::memory_order_relaxed); }
    void SetLevel(std::int32_t level) override { level_.store(level, std::memory_order_relaxed); }
    void Log(std::int32_t level, data::IKVString* message) override;
    void LogFormatV(std::int32_t level, const char* format, std::va_list args) override;
    void LogFormat(std::int32_t level, const char* format, ...) override;

protected:
    explicit AbstractLog(std::int32_t level) : level_(level) {}

    bool Passes(std::int32_t level) const { return level <= Level(); }

private:
    std::atomic<std::int32_t> level_;
};

}  // namespace kvfoundation::impl
