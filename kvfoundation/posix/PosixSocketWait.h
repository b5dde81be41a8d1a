#pragma once

namespace kvfoundation::posix {

// What a wait for a socket ended with.
enum class SocketWait { kReady, kTimedOut, kFailed };

// Waits with poll() until `fd` reports one of `events` (or an error or hang-up, which the
// following call then reports itself), or until `timeoutMs` milliseconds have passed
// (negative: no limit). Interrupted waits resume with the time that is left.
// kFailed leaves errno set.
SocketWait PosixWaitForSocket(int fd, short events, int timeoutMs);

// Whether the connection on `fd` is gone in both directions (hung up or broken), without
// waiting and without reading. A peer that only stopped sending still counts as connected.
bool PosixSocketHungUp(int fd);

}  // namespace kvfoundation::posix
