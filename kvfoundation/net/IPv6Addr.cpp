#include "kvfoundation/net/IPv6Addr.h"

#include <netinet/in.h>

#include <cstring>

#include "kvfoundation/base/ClassName.h"
#include "kvfoundation/net/InetAddr.h"
#include "kvfoundation/util/Format.h"

namespace kvfoundation::net {

IPv6Addr* IPv6Addr::Create(const uint8_t bytes[16], int32_t port) {
    CheckPort(port);
    return base::AutoReleased(new IPv6Addr(bytes, port));
}

IPv6Addr::IPv6Addr(const uint8_t bytes[16], int32_t port) : port_(port) {
    std::memcpy(bytes_, bytes, sizeof bytes_);
}

int32_t IPv6Addr::Family() const {
    return AF_INET6;
}

socklen_t IPv6Addr::ToSockAddr(sockaddr_storage* address) const {
    auto* inet = reinterpret_cast<sockaddr_in6*>(address);
    *address = {};
    inet->sin6_family = AF_INET6;
    inet->sin6_port = htons(static_cast<uint16_t>(port_));
    std::memcpy(&inet->sin6_addr, bytes_, sizeof bytes_);
    return sizeof(sockaddr_in6);
}

bool IPv6Addr::Equals(const base::IKVType* other) const {
    auto* address = dynamic_cast<const IKVInet6Addr*>(other);
    return address != nullptr && address->Port() == port_ &&
           std::memcmp(address->Bytes(), bytes_, sizeof bytes_) == 0;
}

uint32_t IPv6Addr::Hash() const {
    uint32_t hash = static_cast<uint32_t>(port_);
    for (uint8_t byte : bytes_) {
        hash = hash * 257 + byte;
    }
    return hash;
}

data::IKVString* IPv6Addr::Description() const {
    int groups[8];
    for (int i = 0; i < 8; ++i) {
        groups[i] = (bytes_[2 * i] << 8) | bytes_[2 * i + 1];
    }
    return util::Format("<%@ %#p> { %X:%X:%X:%X:%X:%X:%X:%X : %d }", base::ClassName(this), this,
                        groups[0], groups[1], groups[2], groups[3], groups[4], groups[5], groups[6],
                        groups[7], port_);
}

}  // namespace kvfoundation::net
