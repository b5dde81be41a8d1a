#include "kvfoundation/net/IPv4Addr.h"

#include <netinet/in.h>

#include <cstring>

#include "kvfoundation/base/ClassName.h"
#include "kvfoundation/net/InetAddr.h"
#include "kvfoundation/util/Format.h"

namespace kvfoundation::net {

IPv4Addr* IPv4Addr::Create(const uint8_t bytes[4], int32_t port) {
    CheckPort(port);
    return base::AutoReleased(new IPv4Addr(bytes, port));
}

IPv4Addr::IPv4Addr(const uint8_t bytes[4], int32_t port) : port_(port) {
    std::memcpy(bytes_, bytes, sizeof bytes_);
}

int32_t IPv4Addr::Family() const {
    return AF_INET;
}

socklen_t IPv4Addr::ToSockAddr(sockaddr_storage* address) const {
    auto* inet = reinterpret_cast<sockaddr_in*>(address);
    *address = {};
    inet->sin_family = AF_INET;
    inet->sin_port = htons(static_cast<uint16_t>(port_));
    std::memcpy(&inet->sin_addr, bytes_, sizeof bytes_);
    return sizeof(sockaddr_in);
}

bool IPv4Addr::Equals(const base::IKVType* other) const {
    auto* address = dynamic_cast<const IKVInet4Addr*>(other);
    return address != nullptr && address->Port() == port_ &&
           std::memcmp(address->Bytes(), bytes_, sizeof bytes_) == 0;
}

uint32_t IPv4Addr::Hash() const {
    uint32_t hash = static_cast<uint32_t>(port_);
    for (uint8_t byte : bytes_) {
        hash = hash * 257 + byte;
    }
    return hash;
}

data::IKVString* IPv4Addr::Description() const {
    return util::Format("<%@ %#p> { %d.%d.%d.%d : %d }", base::ClassName(this), this, bytes_[0],
                        bytes_[1], bytes_[2], bytes_[3], port_);
}

}  // namespace kvfoundation::net
