#pragma once

#include <sys/types.h>

#include <optional>

#include "kvfoundation/system/RunLoopBase.h"

namespace kvfoundation::posix {

// The run loop of one thread on Linux: an eventfd that Wake, Stop, posted work and new timers
// signal, and poll() on it with the time left until the deadline or the next timer.
class PosixRunLoop final : public system::RunLoopBase {
public:
    // A loop for the thread with kernel id `owner` (count 1, owned by the caller). Fails with
    // the system error of "eventfd".
    static PosixRunLoop* Create(pid_t owner);

    system::RunLoopResult Run() override;
    system::RunLoopResult RunUntil(Clock::time_point deadline) override;

    pid_t Owner() const { return owner_; }

protected:
    void Signal() override;

private:
    PosixRunLoop(pid_t owner, int eventFd) : owner_(owner), eventFd_(eventFd) {}
    ~PosixRunLoop() override;

    system::RunLoopResult RunLoop(std::optional<Clock::time_point> deadline);
    // Waits until signalled or `timeoutMs` passed (negative: no limit); true when signalled.
    bool WaitForSignal(int timeoutMs);

    const pid_t owner_;
    const int eventFd_;
};

}  // namespace kvfoundation::posix
