#pragma once

#include "kvfoundation/base/KVObjectT.h"
#include "kvfoundation/net/IKVInet6Addr.h"

namespace kvfoundation::net {

// Describes itself as "<class kvfoundation::net::IPv6Addr 0x…> { 0:0:0:0:0:0:0:1 : 8080 }"
// (eight 16-bit groups in hexadecimal).
class IPv6Addr final : public base::KVObjectT<IKVInet6Addr> {
public:
    // Autoreleased; "Bad port: %d".
    static IPv6Addr* Create(const uint8_t bytes[16], int32_t port);

    int32_t Family() const override;
    int32_t Port() const override { return port_; }
    socklen_t ToSockAddr(sockaddr_storage* address) const override;
    const uint8_t* Bytes() const override { return bytes_; }

    bool Equals(const base::IKVType* other) const override;
    uint32_t Hash() const override;
    data::IKVString* Description() const override;

private:
    IPv6Addr(const uint8_t bytes[16], int32_t port);
    ~IPv6Addr() override = default;

    uint8_t bytes_[16];
    int32_t port_;
};

}  // namespace kvfoundation::net
