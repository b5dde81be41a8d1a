#pragma once

#include "kvfoundation/base/KVObjectT.h"
#include "kvfoundation/base/KVRefCountT.h"
#include "kvfoundation/system/IKVRunLoop.h"
#include "kvfoundation/system/IKVTimer.h"
#include "kvfoundation/thread/IKVRunnable.h"
#include "kvfoundation/thread/Monitor.h"

namespace kvfoundation::system {

class RunLoopBase;

// A timer kept by a run loop: the loop waits until the earliest due timer and fires it on its
// own thread. Every field is guarded by the timer's monitor.
class Timer final : public base::KVObjectT<IKVTimer> {
public:
    using Clock = IKVRunLoop::Clock;

    // Autoreleased and not yet armed (RunLoop::AddTimer arms it). A null invocation raises
    // KVNullPtr; a negative or NaN interval KVIllegalArgument "interval < 0".
    static Timer* Create(double seconds, bool repeats, thread::IKVRunnable* invocation);

    double Interval() const override { return seconds_; }
    bool Repeats() const override { return repeats_; }
    bool IsValid() const override;
    void Invalidate() override;

    // The loop's side. Arm fails with KVIllegalState "Timer already armed" for a timer armed
    // before (or invalidated).
    void Arm(RunLoopBase* loop, Clock::time_point now);
    // When the timer fires next; Clock::time_point::max() when it never will.
    Clock::time_point Due() const;
    // On the loop's thread, once Due() has passed: calls the invocation inside its own
    // autorelease pool, then re-arms a repeating timer or invalidates a one-shot one.
    // Exceptions from the invocation go on to the caller, after that bookkeeping.
    void Fire();
    // The loop has gone: the timer becomes invalid without telling the loop.
    void Detach();

private:
    Timer(double seconds, bool repeats, thread::IKVRunnable* invocation);

    Clock::time_point DueAfter(Clock::time_point now) const;
    // Under the monitor; hands back the loop's reference so it can be told outside it.
    base::KVRefCountT<RunLoopBase> InvalidateLocked();
    void AfterFiring();

    const double seconds_;
    const bool repeats_;
    mutable thread::Monitor monitor_;
    base::KVRefCountT<thread::IKVRunnable> invocation_;
    // While armed. The loop and its armed timers hold each other until the timer is
    // invalidated or the loop shuts down; the loop's monitor is never entered under this one.
    base::KVRefCountT<RunLoopBase> loop_;
    Clock::time_point due_ = Clock::time_point::max();
    bool armed_ = false;
    bool valid_ = true;
};

}  // namespace kvfoundation::system
