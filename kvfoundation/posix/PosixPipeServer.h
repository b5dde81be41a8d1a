#pragma once

#include <atomic>
#include <mutex>
#include <string>

#include "kvfoundation/base/KVObjectT.h"
#include "kvfoundation/io/IKVPipeServer.h"
#include "kvfoundation/posix/PosixSocketHandle.h"

namespace kvfoundation::posix {

// The public instance's endpoint: a Unix-domain stream socket in the user's private
// directory (PosixPipeDirectory), with a lock file "<name>.lock" beside it held with
// flock(LOCK_EX | LOCK_NB) for the server's life. A live server therefore makes a second one
// fail, while a socket file left by a crashed one is removed and bound again.
//
// Every accepted connection's peer credentials are checked: a uid other than ours is closed
// at once and logged at level 1, and Accept goes on waiting. Close, from any thread, wakes a
// blocked Accept (through an eventfd), which then raises KVIllegalState
// "IKVPipeServer already closed".
class PosixPipeServer final : public base::KVObjectT<io::IKVPipeServer> {
public:
    // `name` is the socket's file name (PosixPipeDirectory::PublicEndpointName() for the
    // service). Buffer sizes above 0 set SO_SNDBUF / SO_RCVBUF of every connection. A local
    // socket has a single listener per name, so every server takes the lock: `pipeMode` and
    // `firstInstance` are accepted for the pipe-server interface and change nothing.
    // Failures raise the system error of the call ("flock('<path>') failed <11: …>" for a
    // live instance). Autoreleased.
    static PosixPipeServer* Create(const char* name, int32_t outBufferSize, int32_t inBufferSize,
                                   int32_t pipeMode, bool firstInstance);

    // The next client's connection, an io::IKVNamedPipe (autoreleased).
    io::IKVChannel* Accept() override;
    bool IsOpen() const override { return open_.load(); }
    void Close() override;

    const std::string& SocketPath() const { return socketPath_; }
    // "<class kvfoundation::posix::PosixPipeServer 0x…> { <socket path> }", for the names of
    // the threads that serve it.
    data::IKVString* Description() const override;

private:
    PosixPipeServer(const char* name, int32_t outBufferSize, int32_t inBufferSize);
    ~PosixPipeServer() override;

    void TakeLock();
    void Listen();
    [[noreturn]] static void FailClosed();
    // True when the connection comes from our own uid; otherwise logs and closes it.
    bool AdmitPeer(int fd) const;

    std::string socketPath_;
    std::string lockPath_;
    int32_t outBufferSize_;
    int32_t inBufferSize_;
    int lockFd_ = -1;
    int wakeFd_ = -1;  // eventfd, readable once Close has been called
    PosixSocketHandle listener_;
    std::atomic<bool> open_{true};
    std::mutex acceptMutex_;    // one Accept at a time
    std::mutex endpointMutex_;  // the socket file and the lock
};

}  // namespace kvfoundation::posix
