#pragma once

#include "kvfoundation/net/IKVInetAddr.h"

namespace kvfoundation::net {

class IKVInet4Addr : public IKVInetAddr {
public:
    // The 4 address bytes in network order.
    virtual const uint8_t* Bytes() const = 0;
};

}  // namespace kvfoundation::net
