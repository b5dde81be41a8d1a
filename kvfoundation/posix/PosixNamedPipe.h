#pragma once

#include <sys/socket.h>

#include <atomic>

#include "kvfoundation/base/KVObjectT.h"
#include "kvfoundation/io/IKVNamedPipe.h"
#include "kvfoundation/posix/PosixSocketHandle.h"

namespace kvfoundation::posix {

// One connection of the local endpoint: a connected Unix-domain stream socket. With a
// time-out set, every read and write waits in poll(); when the wait runs out the pipe is
// closed and KVTimeOut "Pipe operation timed out" is raised. A peer that went away reads as
// end of stream. Close may be called from another thread and wakes a blocked call.
class PosixNamedPipe final : public base::KVObjectT<io::IKVNamedPipe> {
public:
    // Takes over a connected socket. Autoreleased.
    static PosixNamedPipe* Adopt(int fd);
    // Connects to the endpoint `name` in the private socket directory (PosixPipeDirectory),
    // as a client does. Autoreleased. Failures raise the system error of "connect".
    static PosixNamedPipe* Connect(const char* name);

    int32_t Read(void* buffer, int32_t count) override;
    int32_t Write(const void* buffer, int32_t count) override;
    void Flush() override {}
    void Close() override { socket_.Close(); }
    bool PeerGone() override;
    double Timeout() const override { return timeout_.load(); }
    void SetTimeout(double seconds) override;

    // The credentials of the process at the other end (SO_PEERCRED); false when closed.
    bool PeerCredentials(ucred* credentials) const;

private:
    explicit PosixNamedPipe(int fd) : socket_(fd) {}
    ~PosixNamedPipe() override = default;

    // Waits for `events` within the time-out; closes the pipe and raises KVTimeOut when it
    // runs out.
    void AwaitReady(int fd, short events);

    mutable PosixSocketHandle socket_;
    std::atomic<double> timeout_{0.0};
};

}  // namespace kvfoundation::posix
