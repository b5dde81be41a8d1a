// Helpers for the thread, monitor, run-loop and timer tests: events with generous limits
// (tests wait for things to happen, never for time to pass), a thread-safe log capture and an
// object that reports its own destruction.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "FoundationTestSupport.h"
#include "kvfoundation/base/KVObjectT.h"
#include "kvfoundation/impl/AbstractLog.h"
#include "kvfoundation/util/ProcessLog.h"

namespace kvtest {

// Far longer than anything here should take; reaching it means a hang, not slowness.
constexpr std::chrono::seconds kPatience{30};

// A one-way flag other threads can wait for.
class Event {
public:
    void Set() {
        std::lock_guard lock(mutex_);
        set_ = true;
        changed_.notify_all();
    }
    bool IsSet() {
        std::lock_guard lock(mutex_);
        return set_;
    }
    // False when the event did not happen within kPatience.
    bool Wait() {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, kPatience, [this] { return set_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool set_ = false;
};

// Records every line written to the process-wide log, from any thread, while installed.
class SharedCaptureLog final : public kvfoundation::impl::AbstractLog {
public:
    static kvfoundation::base::KVRefCountT<SharedCaptureLog> Install() {
        auto log = kvfoundation::base::KVRefCountT<SharedCaptureLog>::Adopt(new SharedCaptureLog());
        kvfoundation::util::SetProcessLog(log.get());
        return log;
    }

    void Write(int32_t, kvfoundation::data::IKVString* message) override {
        std::lock_guard lock(mutex_);
        lines_.push_back(Text(message));
    }
    std::string All() {
        std::lock_guard lock(mutex_);
        std::string all;
        for (const auto& line : lines_) {
            all += line + "\n";
        }
        return all;
    }

private:
    SharedCaptureLog() : AbstractLog(4) {}

    std::mutex mutex_;
    std::vector<std::string> lines_;
};

// Puts the default log back when a test that captured it ends.
struct RestoreLog {
    ~RestoreLog() { kvfoundation::util::SetProcessLog(nullptr); }
};

// Sets `destroyed` when its last reference goes.
class LifeProbe final : public kvfoundation::base::KVObjectT<kvfoundation::base::IKVType> {
public:
    explicit LifeProbe(std::atomic<bool>& destroyed) : destroyed_(destroyed) {}
    ~LifeProbe() override { destroyed_ = true; }

private:
    std::atomic<bool>& destroyed_;
};

}  // namespace kvtest
