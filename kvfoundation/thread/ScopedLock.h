#pragma once

#include "kvfoundation/base/IKVType.h"
#include "kvfoundation/base/KVNullPtr.h"
#include "kvfoundation/thread/IKVMonitor.h"

namespace kvfoundation::thread {

// Holds a monitor for one scope: a monitor directly, or the monitor of an object (its Lock).
class ScopedLock {
public:
    explicit ScopedLock(IKVMonitor& monitor) : monitor_(&monitor) { monitor_->Lock(); }
    // A null object raises KVNullPtr.
    explicit ScopedLock(const base::IKVType* object) : monitor_(LockOf(object)) {}
    ~ScopedLock() { monitor_->Unlock(); }
    ScopedLock(const ScopedLock&) = delete;
    ScopedLock& operator=(const ScopedLock&) = delete;

    IKVMonitor& Monitor() const { return *monitor_; }

private:
    static IKVMonitor* LockOf(const base::IKVType* object) {
        if (object == nullptr) {
            throw base::KVNullPtr("object");
        }
        return object->Lock();
    }

    IKVMonitor* monitor_;
};

}  // namespace kvfoundation::thread
