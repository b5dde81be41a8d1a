#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ThumbMetaLib/posix/PosixChildProcess.h"

namespace ThumbMetaLib {

// The status of every failed 3D render: the server did not start, a write or read failed,
// the reply was not "OK", the server died or took longer than its time limit.
inline constexpr int32_t kRender3DClientError = -19;

// The connection to one render server process: starts it, sends request lines, reads the
// reply lines, stops it. Used by one thread at a time (the render thread).
class Render3DClient {
public:
    Render3DClient() = default;
    ~Render3DClient();
    Render3DClient(const Render3DClient&) = delete;
    Render3DClient& operator=(const Render3DClient&) = delete;

    bool IsRunning() const { return process_ != nullptr; }
    // False with `error` when the executable cannot be started.
    bool Start(const std::string& executable, std::string& error);

    // Sends the words as one request and reads the reply (in `reply`) within `timeoutMs`:
    // 0 for "OK", kRender3DClientError otherwise. A connection that failed (write, read, time
    // limit, server gone) is ended, the server killed and reaped; the next Start makes a new one.
    int32_t Request(const std::vector<std::string>& words, int timeoutMs, std::string& reply);

    // "unload\n", then waits at most `timeoutMs` for "OK" and for the server to end; then
    // closes the connection (killing a server that did not end). Nothing when not running.
    void Stop(int timeoutMs);

    // The running server's process id, 0 when none.
    int32_t ServerPid() const { return process_ ? process_->Pid() : 0; }

private:
    void Abandon();

    std::unique_ptr<PosixChildProcess> process_;
};

}  // namespace ThumbMetaLib
