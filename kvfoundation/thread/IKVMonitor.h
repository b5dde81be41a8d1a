#pragma once

#include <cstdint>

namespace kvfoundation::thread {

// A recursive lock with wait and notify-all.
class IKVMonitor {
public:
    static constexpr int64_t kWaitForever = -1;

    virtual void Lock() = 0;
    virtual void Unlock() = 0;
    // Releases every level the calling thread holds, waits for NotifyAll or the time-out
    // (milliseconds; negative: no limit), then holds the same levels again. False on time-out.
    // The caller must hold the monitor (KVIllegalState otherwise).
    virtual bool Wait(int64_t timeoutMs = kWaitForever) = 0;
    // Wakes every thread waiting now.
    virtual void NotifyAll() = 0;

protected:
    virtual ~IKVMonitor() = default;
};

}  // namespace kvfoundation::thread
