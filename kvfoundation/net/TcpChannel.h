#pragma once

#include <atomic>

#include "kvfoundation/base/KVObjectT.h"
#include "kvfoundation/net/IKVTcpSocket.h"
#include "kvfoundation/posix/PosixSocketHandle.h"

namespace kvfoundation::net {

// A TCP connection on a close-on-exec socket. Time-outs become SO_RCVTIMEO / SO_SNDTIMEO; a
// call that runs into one closes the channel and raises KVTimeOut ("recv() failed <110: …>").
// Connect runs under the channel's monitor; reads and writes do not hold it, so Close from
// another thread wakes them (the socket is shut down at once and closed when they return).
class TcpChannel final : public base::KVObjectT<IKVTcpSocket> {
public:
    // An unconnected channel, autoreleased.
    static TcpChannel* Create();
    // A channel over a stream socket connected elsewhere (one that a listener accepted); takes
    // ownership of `fd`. Autoreleased.
    static TcpChannel* Adopt(int fd);

    int32_t Read(void* buffer, int32_t count) override;
    int32_t Write(const void* buffer, int32_t count) override;
    void Flush() override {}
    void Close() override { socket_.Close(); }
    bool PeerGone() override;

    double Timeout() const override;
    void SetTimeout(double seconds) override;

    int Socket() const override { return socket_.Peek(); }
    IKVInetAddr* LocalAddress() const override;
    IKVInetAddr* PeerAddress() const override;
    void ShutdownInput() override;
    void ShutdownOutput() override;
    void SetOption(int level, int option, const void* value, socklen_t size) override;
    void GetOption(int level, int option, void* value, socklen_t* size) const override;

    void Connect(const IKVInetAddr* address) override;
    void Connect(const char* host, int32_t port) override;
    bool NoDelay() const override;
    void SetNoDelay(bool noDelay) override;

private:
    TcpChannel() = default;
    ~TcpChannel() override = default;

    void CheckUnconnected() const;
    // A socket of the given kind, connected to `address` with the time-out applied, or -1
    // with errno and *failedCall set.
    int OpenAndConnect(int family, int type, int protocol, const sockaddr* address, socklen_t size,
                       const char** failedCall) const;
    void ApplyTimeout(int fd, int millis) const;
    void Shutdown(int how);
    // Closes the channel and raises KVTimeOut after SO_RCVTIMEO / SO_SNDTIMEO ran out.
    [[noreturn]] void FailTimedOut(const char* call);

    mutable posix::PosixSocketHandle socket_;
    std::atomic<int> timeoutMillis_{-1};  // -1: no limit
};

}  // namespace kvfoundation::net
