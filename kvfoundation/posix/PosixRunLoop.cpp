#include "kvfoundation/posix/PosixRunLoop.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "kvfoundation/base/KVIllegalState.h"
#include "kvfoundation/posix/PosixThread.h"
#include "kvfoundation/system/SysErrors.h"

namespace kvfoundation::posix {

namespace {

constexpr int kNoLimit = -1;

// Milliseconds from now until `until`, rounded up so that the wait never ends early.
int MillisUntil(system::IKVRunLoop::Clock::time_point until,
                system::IKVRunLoop::Clock::time_point now) {
    if (until <= now) {
        return 0;
    }
    if (until == system::IKVRunLoop::Clock::time_point::max()) {
        return kNoLimit;
    }
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(until - now).count();
    const int64_t millis = (micros + 999) / 1000;
    return millis > INT32_MAX ? INT32_MAX : static_cast<int>(millis);
}

}  // namespace

PosixRunLoop* PosixRunLoop::Create(pid_t owner) {
    const int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (fd < 0) {
        system::ThrowSysError("eventfd", errno);
    }
    return new PosixRunLoop(owner, fd);
}

PosixRunLoop::~PosixRunLoop() {
    close(eventFd_);
}

void PosixRunLoop::Signal() {
    const uint64_t one = 1;
    // A full counter (EAGAIN) is still a pending signal; nothing else can fail on an eventfd.
    while (write(eventFd_, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

bool PosixRunLoop::WaitForSignal(int timeoutMs) {
    pollfd entry{eventFd_, POLLIN, 0};
    const int ready = poll(&entry, 1, timeoutMs);
    if (ready < 0) {
        if (errno == EINTR) {
            return true;  // look again; the caller recomputes the time left
        }
        system::ThrowSysError("poll", errno);
    }
    if (ready == 0) {
        return false;
    }
    uint64_t count;
    while (read(eventFd_, &count, sizeof count) < 0 && errno == EINTR) {
    }
    return true;
}

system::RunLoopResult PosixRunLoop::Run() {
    return RunLoop(std::nullopt);
}

system::RunLoopResult PosixRunLoop::RunUntil(Clock::time_point deadline) {
    return RunLoop(deadline);
}

system::RunLoopResult PosixRunLoop::RunLoop(std::optional<Clock::time_point> deadline) {
    if (PosixThread::CurrentId() != owner_) {
        throw base::KVIllegalState("Run loop run from a thread that does not own it");
    }
    DropStopRequest();
    for (;;) {
        if (TakeStopRequest()) {
            return system::RunLoopResult::kStopped;
        }
        RunPendingRunnables();
        if (TakeStopRequest()) {
            return system::RunLoopResult::kStopped;  // before any timer fires
        }
        const Clock::time_point nextTimer = FireDueTimers(Clock::now());
        if (TakeStopRequest()) {
            return system::RunLoopResult::kStopped;
        }
        if (HasPendingRunnables()) {
            continue;  // posted by the work just done
        }
        const Clock::time_point now = Clock::now();
        if (deadline && *deadline <= now) {
            return system::RunLoopResult::kTimedOut;
        }
        const Clock::time_point until = deadline ? std::min(*deadline, nextTimer) : nextTimer;
        WaitForSignal(MillisUntil(until, now));
    }
}

}  // namespace kvfoundation::posix
