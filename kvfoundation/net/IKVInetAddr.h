#pragma once

#include <sys/socket.h>

#include <cstdint>

#include "kvfoundation/base/IKVType.h"

namespace kvfoundation::net {

// An internet socket address: address bytes and a port (0 to 65535). Equal when family,
// bytes and port are.
class IKVInetAddr : public base::IKVType {
public:
    // AF_INET or AF_INET6.
    virtual int32_t Family() const = 0;
    virtual int32_t Port() const = 0;
    // Fills `address` for bind/connect and returns its size.
    virtual socklen_t ToSockAddr(sockaddr_storage* address) const = 0;
};

}  // namespace kvfoundation::net
