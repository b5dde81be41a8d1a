#pragma once

#include <vector>

#include "kvfoundation/base/KVObjectT.h"
#include "kvfoundation/base/KVRefCountT.h"
#include "kvfoundation/system/IKVRunLoop.h"
#include "kvfoundation/system/Timer.h"
#include "kvfoundation/thread/IKVRunnable.h"
#include "kvfoundation/thread/Monitor.h"

namespace kvfoundation::system {

// The portable half of a run loop: pending runnables, timers and stop requests, guarded by the
// loop's monitor, and their dispatch on the loop's thread. The platform half waits for input.
class RunLoopBase : public base::KVObjectT<IKVRunLoop> {
public:
    void Stop() override;
    void Wake() override;
    // A null runnable raises KVNullPtr; a loop whose thread has ended KVIllegalState (also
    // for AddTimer).
    void AddRunnable(thread::IKVRunnable* runnable) override;
    // A null timer raises KVNullPtr, one of another kind KVIllegalArgument.
    void AddTimer(IKVTimer* timer) override;

    // Ends the run in progress or, when none is, the next one (the GUI loop's quit).
    void Quit();
    // Forgets an invalidated timer (Timer::Invalidate calls it).
    void RemoveTimer(Timer* timer);
    // The loop's thread has ended: every timer becomes invalid and pending work is dropped.
    void Shutdown();

protected:
    RunLoopBase() = default;
    ~RunLoopBase() override;

    // Wakes the loop's thread if it is waiting for input (any thread calls it).
    virtual void Signal() = 0;

    // A run begins: a stop asked for before it is dropped (a quit is kept).
    void DropStopRequest();
    // True once, when a stop or a quit asks the current run to end.
    bool TakeStopRequest();
    bool HasPendingRunnables() const;
    // Runs the runnables queued so far, inside one autorelease pool.
    void RunPendingRunnables();
    // Fires every timer due at `now`; returns when the next one is due
    // (Clock::time_point::max() when none is).
    Clock::time_point FireDueTimers(Clock::time_point now);

private:
    void ThrowIfShutDown() const;  // under the monitor

    mutable thread::Monitor monitor_;
    std::vector<base::KVRefCountT<thread::IKVRunnable>> pending_;
    std::vector<base::KVRefCountT<Timer>> timers_;
    bool stopRequested_ = false;
    bool quitRequested_ = false;
    bool shutDown_ = false;
};

}  // namespace kvfoundation::system
