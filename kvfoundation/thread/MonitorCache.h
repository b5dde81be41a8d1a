#pragma once

#include <mutex>

#include "kvfoundation/base/IKVType.h"
#include "kvfoundation/thread/Monitor.h"

namespace kvfoundation::thread {

// The monitors behind every object's Lock. One process-wide list: an object takes the monitor
// already assigned to it, else the first one not in use, else a new one put at the front. A
// monitor stays assigned while its use count (lockers and waiters) is above zero.
class MonitorCache {
public:
    // Enters (recursively) the monitor of `object` and returns it; Unlock on the result leaves
    // it and gives it back to the cache when nobody else uses it.
    static IKVMonitor* Lock(const base::IKVType* object);
    // Monitors made so far (for tests).
    static int MonitorCount();

    class Mon final : public IKVMonitor {
    public:
        void Lock() override;
        void Unlock() override;
        bool Wait(int64_t timeoutMs = kWaitForever) override;
        void NotifyAll() override { monitor_.NotifyAll(); }

    private:
        friend class MonitorCache;
        Monitor monitor_;
        int32_t useCount_ = 0;  // guarded by the cache's lock
        const base::IKVType* object_ = nullptr;
        Mon* next_ = nullptr;
    };
};

}  // namespace kvfoundation::thread
