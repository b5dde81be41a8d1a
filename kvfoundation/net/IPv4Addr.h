#pragma once

#include "kvfoundation/base/KVObjectT.h"
#include "kvfoundation/net/IKVInet4Addr.h"

namespace kvfoundation::net {

// Describes itself as "<class kvfoundation::net::IPv4Addr 0x…> { 127.0.0.1 : 8080 }".
class IPv4Addr final : public base::KVObjectT<IKVInet4Addr> {
public:
    // Autoreleased; "Bad port: %d".
    static IPv4Addr* Create(const uint8_t bytes[4], int32_t port);

    int32_t Family() const override;
    int32_t Port() const override { return port_; }
    socklen_t ToSockAddr(sockaddr_storage* address) const override;
    const uint8_t* Bytes() const override { return bytes_; }

    bool Equals(const base::IKVType* other) const override;
    uint32_t Hash() const override;
    data::IKVString* Description() const override;

private:
    IPv4Addr(const uint8_t bytes[4], int32_t port);
    ~IPv4Addr() override = default;

    uint8_t bytes_[4];
    int32_t port_;
};

}  // namespace kvfoundation::net
