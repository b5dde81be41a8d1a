#include "kvfoundation/system/Timer.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/base/KVIllegalArgument.h"
#include "kvfoundation/base/KVIllegalState.h"
#include "kvfoundation/base/KVNullPtr.h"
#include "kvfoundation/system/RunLoopBase.h"
#include "kvfoundation/thread/ScopedLock.h"

namespace kvfoundation::system {

namespace {

// Intervals are applied in whole milliseconds (truncated), at least 1 so that a repeating
// timer cannot spin its loop; anything above 2147483647 ms never fires.
constexpr double kLongestMillis = 2147483647.0;

}  // namespace

Timer* Timer::Create(double seconds, bool repeats, thread::IKVRunnable* invocation) {
    if (invocation == nullptr) {
        throw base::KVNullPtr("invocation");
    }
    if (!(seconds >= 0)) {
        throw base::KVIllegalArgument("interval < 0");
    }
    return base::AutoReleased(new Timer(seconds, repeats, invocation));
}

Timer::Timer(double seconds, bool repeats, thread::IKVRunnable* invocation)
    : seconds_(seconds), repeats_(repeats), invocation_(invocation) {}

Timer::Clock::time_point Timer::DueAfter(Clock::time_point now) const {
    const double millis = std::trunc(seconds_ * 1000.0);
    if (millis > kLongestMillis) {
        return Clock::time_point::max();
    }
    return now + std::chrono::milliseconds(std::max<int64_t>(1, static_cast<int64_t>(millis)));
}

bool Timer::IsValid() const {
    thread::ScopedLock lock(monitor_);
    return valid_;
}

base::KVRefCountT<RunLoopBase> Timer::InvalidateLocked() {
    valid_ = false;
    due_ = Clock::time_point::max();
    invocation_.Reset();
    return std::move(loop_);
}

void Timer::Invalidate() {
    base::KVRefCountT<Timer> self(this);  // alive while the loop lets go of it
    base::KVRefCountT<RunLoopBase> loop;
    {
        thread::ScopedLock lock(monitor_);
        loop = InvalidateLocked();
    }
    if (loop) {
        loop->RemoveTimer(this);
    }
}

void Timer::Detach() {
    base::KVRefCountT<RunLoopBase> loop;  // released outside the monitor
    thread::ScopedLock lock(monitor_);
    loop = InvalidateLocked();
}

void Timer::Arm(RunLoopBase* loop, Clock::time_point now) {
    thread::ScopedLock lock(monitor_);
    if (armed_ || !valid_) {
        throw base::KVIllegalState("Timer already armed");
    }
    armed_ = true;
    loop_ = base::KVRefCountT<RunLoopBase>(loop);
    due_ = DueAfter(now);
}

Timer::Clock::time_point Timer::Due() const {
    thread::ScopedLock lock(monitor_);
    return due_;
}

void Timer::Fire() {
    base::KVRefCountT<thread::IKVRunnable> invocation;
    {
        thread::ScopedLock lock(monitor_);
        if (!valid_) {
            return;
        }
        invocation = invocation_;
        // Not due again until re-armed after this firing.
        due_ = Clock::time_point::max();
    }
    try {
        base::AutoReleasePool pool;
        invocation->Run();
    } catch (...) {
        AfterFiring();
        throw;
    }
    AfterFiring();
}

void Timer::AfterFiring() {
    if (repeats_) {
        thread::ScopedLock lock(monitor_);
        if (valid_) {
            due_ = DueAfter(Clock::now());
        }
        return;
    }
    Invalidate();
}

}  // namespace kvfoundation::system
