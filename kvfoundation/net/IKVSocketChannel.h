#pragma once

#include <sys/socket.h>

#include "kvfoundation/io/IKVTimeoutChannel.h"
#include "kvfoundation/net/IKVInetAddr.h"

namespace kvfoundation::net {

// A channel over a socket. The time-out (seconds) applies to both sending and receiving;
// a call that outlasts it raises KVTimeOut and closes the channel. Failed socket calls raise
// system errors named after the call ("recv() failed <104: Connection reset by peer>").
class IKVSocketChannel : public io::IKVTimeoutChannel {
public:
    // The descriptor, -1 while unconnected or after Close.
    virtual int Socket() const = 0;
    // Autoreleased; "getsockname" errors.
    virtual IKVInetAddr* LocalAddress() const = 0;
    // Autoreleased; null while unconnected.
    virtual IKVInetAddr* PeerAddress() const = 0;
    virtual void ShutdownInput() = 0;
    virtual void ShutdownOutput() = 0;
    // Failures raise "setsockopt(<SOL_SOCKET/SO_SNDBUF>) failed <%d:%@>" for the options
    // with a readable name, else "setsockopt(level=%d, opt=%d) failed <%d:%@>".
    virtual void SetOption(int level, int option, const void* value, socklen_t size) = 0;
    // The same with "getsockopt"; `size` is in and out.
    virtual void GetOption(int level, int option, void* value, socklen_t* size) const = 0;
};

}  // namespace kvfoundation::net
