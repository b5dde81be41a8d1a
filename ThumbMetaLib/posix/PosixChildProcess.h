#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ThumbMetaLib {

// A helper program the engine runs, its standard input and output joined to one end of a
// socket pair (a socket rather than pipes so that writing to a program that died fails with
// EPIPE instead of raising SIGPIPE in the service). Standard error is shared with the service.
// The destructor kills the program if it still runs and always reaps it: no zombies.
class PosixChildProcess {
public:
    enum class ReadResult { kLine, kTimedOut, kClosed, kTooLong, kFailed };

    // Null with `error` when the program cannot be started.
    static std::unique_ptr<PosixChildProcess> Start(const std::string& executable,
                                                    const std::vector<std::string>& arguments,
                                                    std::string& error);
    ~PosixChildProcess();
    PosixChildProcess(const PosixChildProcess&) = delete;
    PosixChildProcess& operator=(const PosixChildProcess&) = delete;

    pid_t Pid() const { return pid_; }

    // All of `bytes`, waiting at most `timeoutMs`; false when the program does not take them.
    bool Write(std::string_view bytes, int timeoutMs);
    // One line without its "\n", waiting at most `timeoutMs` for all of it; a line longer than
    // `maxLength` is kTooLong. Bytes after the line are kept for the next read.
    ReadResult ReadLine(std::string& line, int timeoutMs, size_t maxLength);
    // Closes our end: the program sees the end of its input.
    void CloseConnection();
    // Waits at most `timeoutMs` for the program to end by itself; true once it has been reaped.
    bool WaitForExit(int timeoutMs);
    // SIGKILL and reap (nothing when it has ended already).
    void Kill();

private:
    PosixChildProcess(pid_t pid, int socket) : pid_(pid), socket_(socket) {}
    // One wait for `events` on the socket until `deadline` (CLOCK_MONOTONIC ms); false on
    // time-out or error.
    bool WaitReady(short events, int64_t deadline);

    pid_t pid_;
    int socket_;
    bool reaped_ = false;
    std::string pending_;  // read past the last line
};

}  // namespace ThumbMetaLib
