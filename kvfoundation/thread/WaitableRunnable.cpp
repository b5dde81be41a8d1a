#include "kvfoundation/thread/WaitableRunnable.h"

#include "kvfoundation/base/KVIllegalState.h"
#include "kvfoundation/base/KVNullPtr.h"
#include "kvfoundation/thread/ScopedLock.h"

namespace kvfoundation::thread {

WaitableRunnable* WaitableRunnable::Create(IKVRunnable* runnable) {
    if (runnable == nullptr) {
        throw base::KVNullPtr("runnable");
    }
    return base::AutoReleased(new WaitableRunnable(runnable));
}

void WaitableRunnable::Run() {
    {
        ScopedLock lock(OwnMonitor());
        if (started_) {
            throw base::KVIllegalState("Already Running");
        }
        started_ = true;
        runner_ = std::this_thread::get_id();
    }
    // The wrapped runnable runs outside the monitor, so that waiters never hold up the work.
    try {
        runnable_->Run();
    } catch (...) {
        Finish();
        throw;
    }
    Finish();
}

void WaitableRunnable::Finish() {
    ScopedLock lock(OwnMonitor());
    done_ = true;
    runner_ = std::thread::id();
    NotifyAllMonitor();
}

void WaitableRunnable::Wait() {
    ScopedLock lock(OwnMonitor());
    if (runner_ == std::this_thread::get_id()) {
        throw base::KVIllegalState("Deadlock prevented");
    }
    while (!done_) {
        WaitMonitor();
    }
}

bool WaitableRunnable::IsDone() const {
    ScopedLock lock(OwnMonitor());
    return done_;
}

}  // namespace kvfoundation::thread
