#include "kvfoundation/posix/PosixSocketWait.h"

#include <poll.h>

#include <cerrno>
#include <chrono>

namespace kvfoundation::posix {

SocketWait PosixWaitForSocket(int fd, short events, int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    int remaining = timeoutMs;
    for (;;) {
        pollfd entry{fd, events, 0};
        const int result = ::poll(&entry, 1, remaining);
        if (result > 0) {
            return SocketWait::kReady;
        }
        if (result == 0) {
            return SocketWait::kTimedOut;
        }
        if (errno != EINTR) {
            return SocketWait::kFailed;
        }
        if (timeoutMs >= 0) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            remaining = left.count() > 0 ? static_cast<int>(left.count()) : 0;
        }
    }
}

bool PosixSocketHungUp(int fd) {
    pollfd entry{fd, 0, 0};
    return ::poll(&entry, 1, 0) > 0 && (entry.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

}  // namespace kvfoundation::posix
