#pragma once

#include "kvfoundation/net/IKVSocketChannel.h"

namespace kvfoundation::net {

// A TCP connection made by this side.
class IKVTcpSocket : public IKVSocketChannel {
public:
    // Null: KVNullPtr; connected already: KVIllegalArgument "Already connected".
    virtual void Connect(const IKVInetAddr* address) = 0;
    // Resolves `host` with getaddrinfo and connects to the first address that accepts, in the
    // order returned. "Bad port: %d" outside 0 to 65535; "Already connected"; lookup failures
    // "getaddrinfo('%s', '%s') failed <%d:%@>"; when no address connects, the last failure.
    virtual void Connect(const char* host, int32_t port) = 0;
    virtual bool NoDelay() const = 0;
    virtual void SetNoDelay(bool noDelay) = 0;
};

}  // namespace kvfoundation::net
