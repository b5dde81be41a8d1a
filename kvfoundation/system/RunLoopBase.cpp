#include "kvfoundation/system/RunLoopBase.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/base/IKVException.h"
#include "kvfoundation/base/KVIllegalArgument.h"
#include "kvfoundation/base/KVIllegalState.h"
#include "kvfoundation/base/KVNullPtr.h"
#include "kvfoundation/data/IKVString.h"
#include "kvfoundation/thread/IKVThread.h"
#include "kvfoundation/thread/ScopedLock.h"
#include "kvfoundation/thread/Threads.h"
#include "kvfoundation/util/IKVLog.h"
#include "kvfoundation/util/ProcessLog.h"

namespace kvfoundation::system {

namespace {

// The "%@" argument of log lines: the current thread's name as the object it reads.
base::IKVType* CurrentThreadName() {
    return thread::CurrentThread()->Name();
}

// Work run by a loop must not end the loop: a library or standard exception is logged, like
// one ending a thread, and the loop goes on. Anything else goes on to the loop's caller.
template <class Work>
void RunLogged(Work&& work) {
    try {
        work();
    } catch (const base::IKVException& e) {
        base::AutoReleasePool pool;
        util::LogFormat(util::LogLevel::kError, "IKVException in run loop of thread \"%@\"",
                        CurrentThreadName());
        e.Log(util::LogLevel::kError);
    } catch (const std::exception& e) {
        base::AutoReleasePool pool;
        util::LogFormat(util::LogLevel::kError, "std::exception in run loop of thread \"%@\": %s",
                        CurrentThreadName(), e.what());
    }
}

}  // namespace

RunLoopBase::~RunLoopBase() {
    Shutdown();
}

void RunLoopBase::Stop() {
    {
        thread::ScopedLock lock(monitor_);
        stopRequested_ = true;
    }
    Signal();
}

void RunLoopBase::Wake() {
    Signal();
}

void RunLoopBase::Quit() {
    {
        thread::ScopedLock lock(monitor_);
        quitRequested_ = true;
    }
    Signal();
}

void RunLoopBase::AddRunnable(thread::IKVRunnable* runnable) {
    if (runnable == nullptr) {
        throw base::KVNullPtr("runnable");
    }
    {
        thread::ScopedLock lock(monitor_);
        ThrowIfShutDown();
        pending_.emplace_back(runnable);
    }
    Signal();
}

void RunLoopBase::AddTimer(IKVTimer* timer) {
    if (timer == nullptr) {
        throw base::KVNullPtr("timer");
    }
    auto* ours = dynamic_cast<Timer*>(timer);
    if (ours == nullptr) {
        throw base::KVIllegalArgument("not a run loop timer");
    }
    {
        thread::ScopedLock lock(monitor_);
        ThrowIfShutDown();
        ours->Arm(this, Clock::now());
        timers_.emplace_back(ours);
    }
    Signal();  // the loop may have to wait less now
}

void RunLoopBase::RemoveTimer(Timer* timer) {
    base::KVRefCountT<Timer> removed;  // released after the monitor is left
    thread::ScopedLock lock(monitor_);
    auto found = std::find_if(timers_.begin(), timers_.end(),
                              [timer](const auto& armed) { return armed.get() == timer; });
    if (found != timers_.end()) {
        removed = std::move(*found);
        timers_.erase(found);
    }
}

void RunLoopBase::Shutdown() {
    std::vector<base::KVRefCountT<Timer>> timers;
    std::vector<base::KVRefCountT<thread::IKVRunnable>> pending;
    {
        thread::ScopedLock lock(monitor_);
        shutDown_ = true;
        timers.swap(timers_);
        pending.swap(pending_);
    }
    for (auto& timer : timers) {
        timer->Detach();
    }
}

void RunLoopBase::ThrowIfShutDown() const {
    if (shutDown_) {
        // Its thread has ended: work handed to it would never run.
        throw base::KVIllegalState("Run loop has shut down");
    }
}

void RunLoopBase::DropStopRequest() {
    thread::ScopedLock lock(monitor_);
    stopRequested_ = false;
}

bool RunLoopBase::TakeStopRequest() {
    thread::ScopedLock lock(monitor_);
    const bool stop = stopRequested_ || quitRequested_;
    stopRequested_ = false;
    quitRequested_ = false;
    return stop;
}

bool RunLoopBase::HasPendingRunnables() const {
    thread::ScopedLock lock(monitor_);
    return !pending_.empty();
}

void RunLoopBase::RunPendingRunnables() {
    std::vector<base::KVRefCountT<thread::IKVRunnable>> batch;
    {
        thread::ScopedLock lock(monitor_);
        batch.swap(pending_);
    }
    if (batch.empty()) {
        return;
    }
    base::AutoReleasePool pool;
    for (auto& runnable : batch) {
        RunLogged([&] { runnable->Run(); });
        runnable.Reset();  // what it holds goes now, not after the whole batch
    }
}

RunLoopBase::Clock::time_point RunLoopBase::FireDueTimers(Clock::time_point now) {
    std::vector<base::KVRefCountT<Timer>> due;
    {
        thread::ScopedLock lock(monitor_);
        for (auto& timer : timers_) {
            if (timer->Due() <= now) {
                due.push_back(timer);
            }
        }
    }
    for (auto& timer : due) {
        RunLogged([&] { timer->Fire(); });
    }
    Clock::time_point next = Clock::time_point::max();
    thread::ScopedLock lock(monitor_);
    for (auto& timer : timers_) {
        next = std::min(next, timer->Due());
    }
    return next;
}

}  // namespace kvfoundation::system
