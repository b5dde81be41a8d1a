#pragma once

#include <chrono>

#include "kvfoundation/base/IKVType.h"

namespace kvfoundation::thread {
class IKVRunnable;
}

namespace kvfoundation::system {

class IKVTimer;

// How a run of a run loop ended.
enum class RunLoopResult {
    kStopped,   // Stop, or the GUI loop was told to quit
    kTimedOut,  // the deadline passed
};

// The event loop of one thread: work posted from any thread and timers, all run on the loop's
// own thread while it runs. Only that thread may run it.
class IKVRunLoop : public base::IKVType {
public:
    using Clock = std::chrono::steady_clock;

    // Ends the run in progress (a stop asked for before a run begins is dropped by it).
    virtual void Stop() = 0;
    // Makes the loop run its pending runnables.
    virtual void Wake() = 0;
    // Runs until stopped.
    virtual RunLoopResult Run() = 0;
    // Runs until stopped or until `deadline` has passed; a deadline already passed runs what
    // is pending and returns kTimedOut.
    virtual RunLoopResult RunUntil(Clock::time_point deadline) = 0;
    // Queues `runnable` (retained) to run on the loop's thread, and wakes the loop.
    virtual void AddRunnable(thread::IKVRunnable* runnable) = 0;
    // Arms `timer` on this loop; it must be a timer made by Timer::Create, not yet armed.
    virtual void AddTimer(IKVTimer* timer) = 0;
};

}  // namespace kvfoundation::system
