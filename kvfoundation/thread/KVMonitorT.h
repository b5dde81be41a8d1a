#pragma once

#include <cstdint>

#include "kvfoundation/thread/IKVMonitor.h"
#include "kvfoundation/thread/Monitor.h"

namespace kvfoundation::thread {

// Gives a class a monitor of its own (rather than the shared one behind IKVType::Lock), for
// state that threads wait on: derive as
//     class NCHost final : public thread::KVMonitorT<base::KVObjectT<INCHost>>
// and guard with `ScopedLock lock(OwnMonitor());`.
template <class Base>
class KVMonitorT : public Base {
protected:
    using Base::Base;

    IKVMonitor& OwnMonitor() const { return monitor_; }
    void LockMonitor() const { monitor_.Lock(); }
    void UnlockMonitor() const { monitor_.Unlock(); }
    // Milliseconds, negative for no limit; false on time-out. The caller holds the monitor.
    bool WaitMonitor(int64_t timeoutMs = IKVMonitor::kWaitForever) const {
        return monitor_.Wait(timeoutMs);
    }
    void NotifyAllMonitor() const { monitor_.NotifyAll(); }

private:
    mutable Monitor monitor_;
};

}  // namespace kvfoundation::thread
