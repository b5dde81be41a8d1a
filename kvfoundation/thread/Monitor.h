#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

#include "kvfoundation/thread/IKVMonitor.h"

namespace kvfoundation::thread {

// The recursive monitor: an owner, its recursion depth, and a broadcast generation that lets
// NotifyAll wake exactly the threads waiting at that moment.
class Monitor final : public IKVMonitor {
public:
    Monitor() = default;
    ~Monitor() override = default;
    Monitor(const Monitor&) = delete;
    Monitor& operator=(const Monitor&) = delete;

    void Lock() override;
    void Unlock() override;
    bool Wait(int64_t timeoutMs = kWaitForever) override;
    void NotifyAll() override;

    // True when the calling thread holds the monitor.
    bool IsHeldByCurrentThread() const;
    int32_t WaitingCount() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable entry_;      // a thread left the monitor
    std::condition_variable broadcast_;  // NotifyAll
    std::thread::id owner_;
    int32_t depth_ = 0;
    int32_t waiting_ = 0;
    uint64_t generation_ = 0;
};

}  // namespace kvfoundation::thread
